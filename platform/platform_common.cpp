// The parts of the platform seam that both sides share.
#include <cstring>

#include "platform/platform.h"

namespace platform {

bool HasWildcard(const char* text) { return std::strpbrk(text, "*?") != nullptr; }

static MessageSink g_messageSink = nullptr;

void ShowInformation(WindowHandle owner, const char* text, const char* caption) {
  (g_messageSink ? g_messageSink : DefaultMessageSink())(owner, text, caption);
}

MessageSink SetMessageSink(MessageSink sink) {
  MessageSink previous = g_messageSink ? g_messageSink : DefaultMessageSink();
  g_messageSink = sink;
  return previous;
}

}  // namespace platform
