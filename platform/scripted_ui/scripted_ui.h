#pragma once
// Scripted user interaction for tests. While a ScriptedUi lives, every
// seam (message boxes, the input box, the file dialogs, the beep, the
// shell's "open", help) is answered by it: each call is recorded, and
// questions are answered from queues that the test fills beforehand. A
// question without a queued answer, or an answer that the box does not
// offer, is a test failure (and is answered as a cancel where there is
// one). Answers still queued when it ends are a failure too. The previous
// handlers are put back when it is destroyed.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/beep/system_beep.h"
#include "platform/filedialog/file_dialog.h"
#include "platform/help/help.h"
#include "platform/inputbox/input_box.h"
#include "platform/messagebox/message_box.h"
#include "platform/shell/shell_open.h"

namespace platform::scripted_ui {

struct MessageRecord {
  messagebox::Request request;
  messagebox::Result answer;
};

struct InputRecord {
  inputbox::Request request;
  std::optional<std::u16string> answer;
};

struct FileDialogRecord {
  filedialog::Request request;
  std::optional<std::filesystem::path> answer;  // as the handler gave it
};

class ScriptedUi {
 public:
  ScriptedUi();
  ~ScriptedUi();
  ScriptedUi(const ScriptedUi&) = delete;
  ScriptedUi& operator=(const ScriptedUi&) = delete;

  // Answers for boxes with a choice of buttons (an OK-only box needs none).
  ScriptedUi& answerMessage(messagebox::Result answer);
  // Input boxes: an accepted text, or a cancel.
  ScriptedUi& answerInput(std::u16string text);
  ScriptedUi& cancelInput();
  // File dialogs: a chosen file, or a cancel.
  ScriptedUi& answerFile(std::filesystem::path file);
  ScriptedUi& cancelFile();
  // Whether the next shell opens and help pages succeed (default true).
  ScriptedUi& shellSucceeds(bool ok);
  ScriptedUi& helpSucceeds(bool ok);

  const std::vector<MessageRecord>& messages() const { return messages_; }
  const std::vector<InputRecord>& inputs() const { return inputs_; }
  const std::vector<FileDialogRecord>& fileDialogs() const { return fileDialogs_; }
  int beeps() const { return beeps_; }
  const std::vector<std::u16string>& shellOpens() const { return shellOpens_; }
  const std::vector<help::Page>& helpPages() const { return helpPages_; }

  // Answers not yet used.
  std::size_t pendingAnswers() const;

  // Forgets what was recorded (not the queued answers).
  void clearRecords();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::vector<MessageRecord> messages_;
  std::vector<InputRecord> inputs_;
  std::vector<FileDialogRecord> fileDialogs_;
  int beeps_ = 0;
  std::vector<std::u16string> shellOpens_;
  std::vector<help::Page> helpPages_;
};

}  // namespace platform::scripted_ui
