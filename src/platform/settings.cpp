#include "platform/settings.h"

#include <atomic>

namespace zentrova {

namespace {
// The simulation thread formats log lines while the GUI thread may load a world: keep the value atomic.
std::atomic<char> g_decimal_separator{'.'};
}  // namespace

char DecimalSeparator() { return g_decimal_separator.load(std::memory_order_relaxed); }

void SetDecimalSeparator(char separator) { g_decimal_separator.store(separator, std::memory_order_relaxed); }

char ListSeparator() { return DecimalSeparator() == ',' ? ';' : ','; }

}  // namespace zentrova
