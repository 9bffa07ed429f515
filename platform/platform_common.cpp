// The parts of the platform seam that both sides share.
#include <atomic>
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

// Workers trace too: the sink is read and replaced atomically.
static std::atomic<TraceSink> g_traceSink{nullptr};

void Trace(const char* where, const char* what, unsigned long code) {
  TraceSink sink = g_traceSink.load();
  (sink ? sink : DefaultTraceSink())(where, what ? what : "", code);
}

void TraceLastError(const char* where, const char* what) { Trace(where, what, LastErrorCode()); }

TraceSink SetTraceSink(TraceSink sink) {
  TraceSink previous = g_traceSink.exchange(sink);
  return previous ? previous : DefaultTraceSink();
}

}  // namespace platform
