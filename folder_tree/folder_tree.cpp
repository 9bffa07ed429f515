#include "folder_tree/folder_tree.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cctype>
#include <cstring>
#include <string>

#include "folder_tree/tree_match.h"
#include "platform/platform.h"
#include "platform/scoped_handles.h"
#include "ui_draw/window_dpi.h"

namespace {

constexpr DWORD kHasSubfolder = 0x80000000;
constexpr DWORD kFileSystem = 0x40000000;
constexpr DWORD kHasPropertySheet = 0x00000040;
constexpr DWORD kRemovableRootAttributes = 0x42000040;
constexpr DWORD kTreeStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES |
                             TVS_LINESATROOT | TVS_DISABLEDRAGDROP | TVS_SHOWSELALWAYS;

HWND g_tree = nullptr;

// ---- Shell helpers -----------------------------------------------------------------------

IMalloc* TaskAllocator() {
  IMalloc* allocator = nullptr;
  SHGetMalloc(&allocator);
  return allocator;
}

void FreeIdList(LPITEMIDLIST list) {
  if (!list) return;
  platform::ComPtr<IMalloc> allocator{TaskAllocator()};
  if (allocator) allocator->Free(list);
}

UINT IdListSize(LPCITEMIDLIST list) {
  UINT size = 0;
  if (!list) return 0;
  for (const BYTE* item = reinterpret_cast<const BYTE*>(list);;) {
    USHORT count;
    std::memcpy(&count, item, sizeof count);
    if (count == 0) return size;
    size += count;
    item += count;
  }
}

LPITEMIDLIST CombineIdLists(LPCITEMIDLIST first, LPCITEMIDLIST second) {
  platform::ComPtr<IMalloc> allocator{TaskAllocator()};
  UINT a = IdListSize(first), b = IdListSize(second);
  auto* combined = allocator ? static_cast<BYTE*>(allocator->Alloc(a + b + 2)) : nullptr;
  if (!combined) return nullptr;
  if (a) std::memcpy(combined, first, a);
  if (b) std::memcpy(combined + a, second, b);
  combined[a + b] = combined[a + b + 1] = 0;
  return reinterpret_cast<LPITEMIDLIST>(combined);
}

DWORD ShellAttributesOf(LPCITEMIDLIST list) {
  SHFILEINFOA info = {};
  SHGetFileInfoA(reinterpret_cast<LPCSTR>(list), 0, &info, sizeof info,
                 SHGFI_PIDL | SHGFI_ATTRIBUTES);
  return info.dwAttributes;
}

// A display name as UTF-16, so that the tree shows every name whole,
// whatever the process's code page.
std::wstring StrRetToWide(STRRET* name, LPCITEMIDLIST list) {
  auto fromAnsi = [](const char* text) {
    std::u16string wide = platform::ToWide(CP_ACP, text);
    return std::wstring(wide.begin(), wide.end());
  };
  switch (name->uType) {
    case STRRET_WSTR: {
      std::wstring text = name->pOleStr ? name->pOleStr : L"";
      platform::ComPtr<IMalloc> allocator{TaskAllocator()};
      if (allocator) allocator->Free(name->pOleStr);
      return text;
    }
    case STRRET_OFFSET: return fromAnsi(reinterpret_cast<const char*>(list) + name->uOffset);
    case STRRET_CSTR: {
      char text[MAX_PATH + 1] = {};
      lstrcpynA(text, name->cStr, MAX_PATH);
      return fromAnsi(text);
    }
  }
  return std::wstring();
}

// The folder's file-system path in the process's code page: empty outside
// the file system, and empty too when the path is beyond MAX_PATH or holds a
// character the code page lacks (`refused` tells those apart).
std::string PathOf(LPCITEMIDLIST list, bool* refused = nullptr) {
  if (refused) *refused = false;
  wchar_t wide[MAX_PATH + 1] = {};
  if (list && SHGetPathFromIDListW(list, wide) && wide[0]) {
    bool lossless = false;
    std::string path =
        platform::FromWide(CP_ACP, reinterpret_cast<const char16_t*>(wide), &lossless);
    if (lossless) return path;
  }
  if (refused && list) *refused = (ShellAttributesOf(list) & kFileSystem) != 0;
  return std::string();
}

bool IsRemovableDriveRoot(const std::string& path) {
  return path.size() == 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         path[2] == '\\' && GetDriveTypeA(path.c_str()) == DRIVE_REMOVABLE;
}

DWORD ShellAttributes(LPCITEMIDLIST list) { return ShellAttributesOf(list); }

DWORD FolderAttributes(LPCITEMIDLIST list) {
  if (IsRemovableDriveRoot(PathOf(list))) return kRemovableRootAttributes;
  return ShellAttributes(list);
}

// The attributes the tree's filter looks at, asked of the parent folder for
// its child (one call on a relative ID instead of a walk of the whole path).
// Whether a folder has subfolders means reading it, so that is asked only
// where the filter needs it (folders outside the file system); the expand
// button asks it when the item is drawn.
DWORD ChildAttributes(IShellFolder* parent, LPCITEMIDLIST relative) {
  SFGAOF attributes = SFGAO_FOLDER | kFileSystem | kHasPropertySheet;
  if (FAILED(parent->GetAttributesOf(1, &relative, &attributes))) return 0;
  if (!(attributes & kFileSystem)) {
    SFGAOF subfolders = kHasSubfolder;
    if (SUCCEEDED(parent->GetAttributesOf(1, &relative, &subfolders)))
      attributes |= subfolders & kHasSubfolder;
  }
  return attributes & (SFGAO_FOLDER | kHasSubfolder | kFileSystem | kHasPropertySheet);
}

// The last item of an ID list: a tree item's ID relative to its parent.
LPCITEMIDLIST LastItemId(LPCITEMIDLIST list) {
  auto item = reinterpret_cast<const BYTE*>(list);
  const BYTE* last = item;
  for (USHORT count; std::memcpy(&count, item, sizeof count), count != 0; item += count)
    last = item;
  return reinterpret_cast<LPCITEMIDLIST>(last);
}

bool ChildFolderFilter(DWORD, DWORD child) {
  return child == 0 || ((child & (kHasSubfolder | kFileSystem)) && (child & kHasPropertySheet));
}

int IconOf(LPCITEMIDLIST list, UINT extra) {
  SHFILEINFOA info = {};
  SHGetFileInfoA(reinterpret_cast<LPCSTR>(list), 0, &info, sizeof info,
                 SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra);
  return info.iIcon;
}

// ---- Tree items ------------------------------------------------------------------------------

LPITEMIDLIST ItemList(HTREEITEM item) {
  TVITEMA data = {};
  data.mask = TVIF_PARAM | TVIF_HANDLE;
  data.hItem = item;
  if (!SendMessageA(g_tree, TVM_GETITEMA, 0, LPARAM(&data))) return nullptr;
  return reinterpret_cast<LPITEMIDLIST>(data.lParam);
}

int ChildrenCount(HTREEITEM item) {
  TVITEMA data = {};
  data.mask = TVIF_CHILDREN | TVIF_HANDLE;
  data.hItem = item;
  SendMessageA(g_tree, TVM_GETITEMA, 0, LPARAM(&data));
  return data.cChildren;
}

void SetNoChildren(HTREEITEM item) {
  TVITEMA data = {};
  data.mask = TVIF_HANDLE | TVIF_CHILDREN;
  data.hItem = item;
  data.cChildren = 0;
  SendMessageA(g_tree, TVM_SETITEMA, 0, LPARAM(&data));
}

HTREEITEM Next(HTREEITEM item, UINT relation) {
  return reinterpret_cast<HTREEITEM>(SendMessageA(g_tree, TVM_GETNEXTITEM, relation, LPARAM(item)));
}

// `children`: 1 for an expand button, I_CHILDRENCALLBACK to decide when the
// item is drawn.
HTREEITEM InsertTreeItem(HTREEITEM parent, std::wstring text, LPITEMIDLIST list, int children = 1) {
  TVINSERTSTRUCTW insert = {};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
  insert.item.pszText = &text[0];
  insert.item.cchTextMax = int(text.size());
  // Icons are asked for when the item is first drawn (AnswerTreeDisplayInfo):
  // most items of a large folder never are.
  insert.item.iImage = I_IMAGECALLBACK;
  insert.item.iSelectedImage = I_IMAGECALLBACK;
  insert.item.cChildren = children;
  insert.item.lParam = LPARAM(list);
  return reinterpret_cast<HTREEITEM>(SendMessageW(g_tree, TVM_INSERTITEMW, 0, LPARAM(&insert)));
}

// Keeps the expand button of removable drives and of folders with subfolders.
void UpdateChildButton(HTREEITEM item, LPCITEMIDLIST list) {
  if (IsRemovableDriveRoot(PathOf(list))) return;
  if (!(ShellAttributes(list) & kHasSubfolder)) SetNoChildren(item);
}

// The shell folder last bound to answer its children's icons: the items
// drawn together are mostly children of one folder. Forgotten whenever items
// go, since a handle may then be given to another item.
struct IconParent {
  HTREEITEM item = nullptr;
  IShellFolder* folder = nullptr;
  bool fileSystem = false;  // a folder of the file system: its children may be plain folders
} g_iconParent;

void ForgetIconParent() {
  if (g_iconParent.folder) g_iconParent.folder->Release();
  g_iconParent = IconParent();
}

void DeleteTreeChildren(HTREEITEM item) {
  ForgetIconParent();
  for (HTREEITEM child = Next(item, TVGN_CHILD); child;) {
    DeleteTreeChildren(child);
    FreeIdList(ItemList(child));
    HTREEITEM next = Next(child, TVGN_NEXT);
    SendMessageA(g_tree, TVM_DELETEITEM, 0, LPARAM(child));
    child = next;
  }
}

void ClearFolderTree() {
  ForgetIconParent();
  if (HTREEITEM root = Next(nullptr, TVGN_ROOT)) {
    DeleteTreeChildren(root);
    FreeIdList(ItemList(root));
  }
  SendMessageA(g_tree, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
}

// The shell folder of an item: the Desktop for the empty list.
IShellFolder* BindTreeItemFolder(LPCITEMIDLIST list) {
  platform::ComPtr<IShellFolder> desktop;
  if (!list || FAILED(SHGetDesktopFolder(desktop.Out()))) return nullptr;
  if (IdListSize(list) == 0) return desktop.Release();  // the caller releases it
  IShellFolder* folder = nullptr;
  if (FAILED(desktop->BindToObject(list, nullptr, IID_IShellFolder,
                                   reinterpret_cast<void**>(&folder))))
    return nullptr;
  return folder;
}

// Children are compared by their parent folder on their relative IDs: the
// Desktop comparing absolute lists walks both paths from the top each time.
int CALLBACK CompareTreeItems(LPARAM a, LPARAM b, LPARAM parentFolder) {
  HRESULT result = reinterpret_cast<IShellFolder*>(parentFolder)
                       ->CompareIDs(0, LastItemId(reinterpret_cast<LPCITEMIDLIST>(a)),
                                    LastItemId(reinterpret_cast<LPCITEMIDLIST>(b)));
  return FAILED(result) ? 0 : short(HRESULT_CODE(result));
}

void ExpandItem(HTREEITEM item) { SendMessageA(g_tree, TVM_EXPAND, TVE_EXPAND, LPARAM(item)); }

HTREEITEM FindMyComputerItem() {
  HTREEITEM root = Next(nullptr, TVGN_ROOT);
  if (!root) return nullptr;
  ExpandItem(root);
  platform::ComPtr<IShellFolder> desktop;
  LPITEMIDLIST computer = nullptr;
  if (FAILED(SHGetDesktopFolder(desktop.Out())) ||
      FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer)))
    return nullptr;
  HTREEITEM found = nullptr;
  for (HTREEITEM child = Next(root, TVGN_CHILD); child && !found; child = Next(child, TVGN_NEXT)) {
    HRESULT result = desktop->CompareIDs(0, ItemList(child), computer);
    if (FAILED(result)) break;
    if (HRESULT_CODE(result) == 0) found = child;
  }
  FreeIdList(computer);
  return found;
}

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

void ShowBelow(HTREEITEM start, std::string target) {
  ExpandItem(start);
  LowerCaseBytes(&target);
  for (HTREEITEM child = Next(start, TVGN_CHILD); child; child = Next(child, TVGN_NEXT)) {
    std::string path = PathOf(ItemList(child));
    LowerCaseBytes(&path);
    if (!ChildLeadsToTarget(path, target, IsLeadByte)) continue;
    ShowBelow(child, target);
    if (path.size() == target.size())
      SendMessageA(g_tree, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, LPARAM(child));
    return;
  }
}

}  // namespace

HWND CreateFolderTree(HWND parent, int id, int width, int height) {
  g_tree = CreateWindowExA(0, "SysTreeView32", "", kTreeStyle, 0, 0, width, height, parent,
                           HMENU(INT_PTR(id)), GetModuleHandleA(nullptr), nullptr);
  if (!g_tree) return nullptr;
  SHFILEINFOA info = {};
  auto images = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  SendMessageA(g_tree, TVM_SETIMAGELIST, TVSIL_NORMAL, LPARAM(images));
  ClearFolderTree();
  platform::ComPtr<IShellFolder> desktop;
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetDesktopFolder(desktop.Out())) ||
      FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list)))
    return g_tree;
  std::wstring name;
  STRRET text;
  if (SUCCEEDED(desktop->GetDisplayNameOf(list, SHGDN_NORMAL, &text)))
    name = StrRetToWide(&text, list);
  HTREEITEM root = InsertTreeItem(TVI_ROOT, name, list);
  UpdateChildButton(root, list);
  return g_tree;
}

HWND FolderTreeWindow() { return g_tree; }

void FitTreeToDpi(int dpi) {
  static HFONT owned = nullptr;  // the font made for another density than the system's
  static HFONT original = nullptr;
  static bool originalKept = false;
  if (!g_tree) return;
  if (!originalKept) {
    original = reinterpret_cast<HFONT>(SendMessageA(g_tree, WM_GETFONT, 0, 0));
    originalKept = true;
  }
  // At the system's density the control's own font is the right one.
  HFONT font = dpi == SystemDpi() ? nullptr : CreateMessageFontForDpi(dpi);
  SendMessageA(g_tree, WM_SETFONT, WPARAM(font ? font : original), TRUE);
  SendMessageA(g_tree, TVM_SETITEMHEIGHT, WPARAM(-1), 0);  // back to the font's own height
  if (owned) DeleteObject(owned);
  owned = font;
}

void FillTreeChildren(HTREEITEM item) {
  if (ChildrenCount(item) == 0) return;  // known to have none
  LPITEMIDLIST list = ItemList(item);
  platform::ComPtr<IShellFolder> folder{BindTreeItemFolder(list)};
  if (!folder) return;
  DeleteTreeChildren(item);  // every expansion shows the folder as it is now
  platform::ComPtr<IEnumIDList> children;
  if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS, children.Out()) != S_OK || !children) return;
  DWORD parentAttributes = FolderAttributes(list);
  int inserted = 0;
  LPITEMIDLIST relative = nullptr;
  while (children->Next(1, &relative, nullptr) == S_OK) {
    STRRET text;
    if (FAILED(folder->GetDisplayNameOf(relative, SHGDN_NORMAL, &text))) {
      FreeIdList(relative);
      break;
    }
    std::wstring name = StrRetToWide(&text, relative);
    LPITEMIDLIST absolute = CombineIdLists(list, relative);
    DWORD attributes = 0;
    // A drive's root is a child of a folder outside the file system (My
    // Computer): the path is asked only there.
    if (absolute) {
      bool driveRoot = !(parentAttributes & kFileSystem) && IsRemovableDriveRoot(PathOf(absolute));
      attributes = driveRoot ? kRemovableRootAttributes : ChildAttributes(folder.Get(), relative);
    }
    if (absolute && ChildFolderFilter(parentAttributes, attributes)) {
      // Removable drives keep their button (asking would wait for the medium).
      InsertTreeItem(item, name, absolute,
                     attributes == kRemovableRootAttributes ? 1 : I_CHILDRENCALLBACK);
      ++inserted;
    } else {
      FreeIdList(absolute);
    }
    FreeIdList(relative);
  }
  if (inserted == 0) SetNoChildren(item);
}

void SortTreeChildren(HTREEITEM item) {
  platform::ComPtr<IShellFolder> folder{BindTreeItemFolder(ItemList(item))};
  if (!folder) return;
  TVSORTCB sort = {item, CompareTreeItems, LPARAM(folder.Get())};
  SendMessageA(g_tree, TVM_SORTCHILDRENCB, 0, LPARAM(&sort));
}

void OnTreeItemExpanding(const NMTREEVIEWA* change) {
  if (change->action & TVE_EXPAND) FillTreeChildren(change->itemNew.hItem);
  if (!(change->itemNew.state & TVIS_EXPANDEDONCE)) SortTreeChildren(change->itemNew.hItem);
}

// Whether a child of a file-system folder is a plain folder: neither
// read-only nor system, the marks by which a folder is allowed its own icon
// (desktop.ini). Read from the ID itself, which carries the folder's
// attributes: no file is touched.
bool IsPlainFolder(IShellFolder* parent, LPCITEMIDLIST relative) {
  WIN32_FIND_DATAW data = {};
  if (FAILED(SHGetDataFromIDListW(parent, relative, SHGDFIL_FINDDATA, &data, sizeof data)))
    return false;
  DWORD attributes = data.dwFileAttributes;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
}

// Both icons of an item, asked of its parent folder in one question on its
// relative ID; false for the root (no parent) or when the shell cannot say.
// Every plain folder has the shell's two folder icons: asked once, they
// serve the others (under Wine each answer costs a millisecond or more).
bool IconsFromParent(HTREEITEM item, LPCITEMIDLIST list, int* normal, int* open) {
  static int plainNormal = -1, plainOpen = -1;
  HTREEITEM parent = Next(item, TVGN_PARENT);
  if (!parent) return false;
  if (g_iconParent.item != parent) {
    ForgetIconParent();
    g_iconParent.folder = BindTreeItemFolder(ItemList(parent));
    if (!g_iconParent.folder) return false;
    g_iconParent.item = parent;
    g_iconParent.fileSystem = (ShellAttributes(ItemList(parent)) & kFileSystem) != 0;
  }
  LPCITEMIDLIST relative = LastItemId(list);
  bool plain = g_iconParent.fileSystem && IsPlainFolder(g_iconParent.folder, relative);
  if (plain && plainNormal >= 0) {
    *normal = plainNormal;
    *open = plainOpen;
    return true;
  }
  *normal = SHMapPIDLToSystemImageListIndex(g_iconParent.folder, relative, open);
  if (*normal < 0) return false;
  if (plain) {
    plainNormal = *normal;
    plainOpen = *open;
  }
  return true;
}

void AnswerTreeDisplayInfo(NMTVDISPINFOA* info) {
  auto list = reinterpret_cast<LPCITEMIDLIST>(info->item.lParam);
  if (!list) return;
  if (info->item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
    int normal = 0, open = 0;
    if (!IconsFromParent(info->item.hItem, list, &normal, &open)) {
      normal = IconOf(list, 0);
      open = IconOf(list, SHGFI_OPENICON);
    }
    // Both are kept: the item is never asked again.
    info->item.iImage = normal;
    info->item.iSelectedImage = open;
    info->item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
  }
  if (info->item.mask & TVIF_CHILDREN)
    info->item.cChildren = (ShellAttributes(list) & kHasSubfolder) ? 1 : 0;
  info->item.mask |= TVIF_DI_SETITEM;  // asked once per item
}

TreeFolder TreeItemPath(char* buffer, size_t size, HTREEITEM item) {
  buffer[0] = '\0';
  bool refused = false;
  std::string path = PathOf(ItemList(item), &refused);
  if (path.empty() || path.size() >= size)
    return refused || !path.empty() ? TreeFolder::kRefused : TreeFolder::kOutsideFileSystem;
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return TreeFolder::kPath;
}

int TreePathAtPoint(char* buffer, size_t size, POINT screen) {
  TVHITTESTINFO hit = {};
  hit.pt = screen;
  ScreenToClient(g_tree, &hit.pt);
  SendMessageA(g_tree, TVM_HITTEST, 0, LPARAM(&hit));
  if (!(hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON))) return 1;
  std::string path = PathOf(ItemList(hit.hItem));
  if (path.empty() || path.size() >= size) return 0;
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return 1;
}

void ShowFolderInTree(const char* folder) {
  if (!g_tree || !folder || !*folder) return;
  // One drawing of the opened branch instead of one per inserted item.
  SendMessageA(g_tree, WM_SETREDRAW, FALSE, 0);
  if (HTREEITEM start = FindMyComputerItem()) ShowBelow(start, folder);
  SendMessageA(g_tree, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(g_tree, nullptr, TRUE);
}
