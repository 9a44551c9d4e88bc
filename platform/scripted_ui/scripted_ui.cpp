#include "platform/scripted_ui/scripted_ui.h"

#include <gtest/gtest.h>

#include <deque>
#include <exception>

#include "platform/text/utf.h"

namespace platform::scripted_ui {
namespace mb = platform::messagebox;

namespace {

bool offers(mb::Buttons buttons, mb::Result answer) {
  using B = mb::Buttons;
  using R = mb::Result;
  switch (buttons) {
    case B::Ok: return answer == R::Ok;
    case B::OkCancel: return answer == R::Ok || answer == R::Cancel;
    case B::YesNo: return answer == R::Yes || answer == R::No;
    case B::YesNoCancel: return answer == R::Yes || answer == R::No || answer == R::Cancel;
    case B::RetryCancel: return answer == R::Retry || answer == R::Cancel;
  }
  return false;
}

// What a user closing the box without choosing would answer.
mb::Result cancelOf(mb::Buttons buttons) {
  switch (buttons) {
    case mb::Buttons::Ok: return mb::Result::Ok;
    case mb::Buttons::YesNo: return mb::Result::No;
    case mb::Buttons::OkCancel:
    case mb::Buttons::YesNoCancel:
    case mb::Buttons::RetryCancel: break;
  }
  return mb::Result::Cancel;
}

std::string describe(const mb::Request& r) {
  return "\"" + text::toUtf8(r.title) + "\": \"" + text::toUtf8(r.text) + "\"";
}

}  // namespace

struct ScriptedUi::Impl {
  std::deque<mb::Result> messageAnswers;
  std::deque<std::optional<std::u16string>> inputAnswers;
  std::deque<std::optional<std::filesystem::path>> fileAnswers;
  bool shellOk = true;
  bool helpOk = true;

  mb::Handler previousMessage;
  inputbox::Handler previousInput;
  filedialog::Handler previousFile;
  support::BeepHandler previousBeep;
  shell::Handler previousShell;
  help::Handler previousHelp;
};

ScriptedUi::ScriptedUi() : impl_(std::make_unique<Impl>()) {
  Impl& q = *impl_;
  q.previousMessage = mb::setHandler([this](const mb::Request& r) {
    Impl& q = *impl_;
    mb::Result answer = mb::Result::Ok;
    if (r.buttons == mb::Buttons::Ok) {
      answer = mb::Result::Ok;
    } else if (q.messageAnswers.empty()) {
      ADD_FAILURE() << "message box without a scripted answer: " << describe(r);
      answer = cancelOf(r.buttons);
    } else {
      answer = q.messageAnswers.front();
      q.messageAnswers.pop_front();
      if (!offers(r.buttons, answer)) {
        ADD_FAILURE() << "scripted answer is not a button of the message box " << describe(r);
        answer = cancelOf(r.buttons);
      }
    }
    messages_.push_back({r, answer});
    return answer;
  });
  q.previousInput = inputbox::setHandler([this](const inputbox::Request& r) {
    Impl& q = *impl_;
    std::optional<std::u16string> answer;
    if (q.inputAnswers.empty()) {
      ADD_FAILURE() << "input box without a scripted answer: \"" << text::toUtf8(r.title) << "\": \""
                    << text::toUtf8(r.prompt) << "\"";
    } else {
      answer = std::move(q.inputAnswers.front());
      q.inputAnswers.pop_front();
    }
    inputs_.push_back({r, answer});
    return answer;
  });
  q.previousFile = filedialog::setHandler([this](const filedialog::Request& r) {
    Impl& q = *impl_;
    std::optional<std::filesystem::path> answer;
    if (q.fileAnswers.empty()) {
      ADD_FAILURE() << "file dialog without a scripted answer: \"" << text::toUtf8(r.title) << "\"";
    } else {
      answer = std::move(q.fileAnswers.front());
      q.fileAnswers.pop_front();
    }
    fileDialogs_.push_back({r, answer});
    return answer;
  });
  q.previousBeep = support::setBeepHandler([this] { ++beeps_; });
  q.previousShell = shell::setHandler([this](const std::u16string& address) {
    shellOpens_.push_back(address);
    return impl_->shellOk;
  });
  q.previousHelp = help::setHandler([this](const help::Page& page) {
    helpPages_.push_back(page);
    return impl_->helpOk;
  });
}

ScriptedUi::~ScriptedUi() {
  Impl& q = *impl_;
  mb::setHandler(std::move(q.previousMessage));
  inputbox::setHandler(std::move(q.previousInput));
  filedialog::setHandler(std::move(q.previousFile));
  support::setBeepHandler(std::move(q.previousBeep));
  shell::setHandler(std::move(q.previousShell));
  help::setHandler(std::move(q.previousHelp));
  // A failing test that unwinds has said enough already.
  if (pendingAnswers() != 0 && std::uncaught_exceptions() == 0) {
    ADD_FAILURE() << "scripted answers never asked for: " << q.messageAnswers.size() << " message box(es), "
                  << q.inputAnswers.size() << " input box(es), " << q.fileAnswers.size() << " file dialog(s)";
  }
}

ScriptedUi& ScriptedUi::answerMessage(mb::Result answer) {
  impl_->messageAnswers.push_back(answer);
  return *this;
}

ScriptedUi& ScriptedUi::answerInput(std::u16string text) {
  impl_->inputAnswers.emplace_back(std::move(text));
  return *this;
}

ScriptedUi& ScriptedUi::cancelInput() {
  impl_->inputAnswers.emplace_back(std::nullopt);
  return *this;
}

ScriptedUi& ScriptedUi::answerFile(std::filesystem::path file) {
  impl_->fileAnswers.emplace_back(std::move(file));
  return *this;
}

ScriptedUi& ScriptedUi::cancelFile() {
  impl_->fileAnswers.emplace_back(std::nullopt);
  return *this;
}

ScriptedUi& ScriptedUi::shellSucceeds(bool ok) {
  impl_->shellOk = ok;
  return *this;
}

ScriptedUi& ScriptedUi::helpSucceeds(bool ok) {
  impl_->helpOk = ok;
  return *this;
}

std::size_t ScriptedUi::pendingAnswers() const {
  return impl_->messageAnswers.size() + impl_->inputAnswers.size() + impl_->fileAnswers.size();
}

void ScriptedUi::clearRecords() {
  messages_.clear();
  inputs_.clear();
  fileDialogs_.clear();
  beeps_ = 0;
  shellOpens_.clear();
  helpPages_.clear();
}

}  // namespace platform::scripted_ui
