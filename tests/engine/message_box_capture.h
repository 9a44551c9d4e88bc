#pragma once
// Records the message boxes shown while it lives.
#include <vector>

#include "platform/messagebox/message_box.h"

class MessageBoxCapture {
 public:
  MessageBoxCapture()
      : previous_(platform::messagebox::setHandler([this](const platform::messagebox::Request& r) {
          shown.push_back(r);
          return platform::messagebox::Result::Ok;
        })) {}
  ~MessageBoxCapture() { platform::messagebox::setHandler(std::move(previous_)); }
  MessageBoxCapture(const MessageBoxCapture&) = delete;
  MessageBoxCapture& operator=(const MessageBoxCapture&) = delete;

  std::vector<platform::messagebox::Request> shown;

 private:
  platform::messagebox::Handler previous_;
};
