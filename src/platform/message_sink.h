// Where modal messages go. The windowed program installs a sink that shows a message box; the default
// writes the text to stderr so that tools and tests without windows still see it.
#pragma once

#include <string>

namespace zentrova {

class IMessageSink {
 public:
  virtual ~IMessageSink() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

// Installs a sink (nullptr restores the default) and returns the previous one (nullptr for the default).
IMessageSink* SetMessageSink(IMessageSink* sink);
void ShowMessage(const std::string& text);

}  // namespace zentrova
