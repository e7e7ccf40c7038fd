// What the host lends the control: the screen's mouse pointer, a way to watch and to stop a
// silent import, and the wizard that Action = 0 opens (the Qt library fills that in). One
// object for the process, set up once by the host before it imports; the control only calls
// what is there, so a console host that sets nothing gets no pointer, no progress and no
// wizard.
//
// Threads: set the members before an import starts and leave them while it runs. `bytesRead`
// is called from the thread that reads the file, `progress` from the one that called the
// import; `cancel` may be set from any thread or from a signal handler.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "vandrel/import.h"
#include "vandrel/info_field.h"
#include "vandrel/result.h"

namespace vandrel {

enum MousePointer : int { vbDefault = 0, vbHourglass = 11 };

// What Action = 0 hands the wizard: the control's settings as one value.
struct WizardRequest {
  // The tables, the field rows, the language, the character set and the number and date
  // format stage 1 and 2 start from, and the host's progress handler. No text file yet.
  ImportRequest import;
  bool askToAppend = true;
  bool overWriteTab = false;
  std::string applicationFolder;  // where the saved layouts are
};

// And what the wizard hands back when it closes.
struct WizardOutcome {
  std::optional<eResult> result;        // ImportResult, when the wizard set one
  std::vector<InfoFieldRow> fields;     // the field rows, with the associations made
  std::optional<ImportOutcome> import;  // the latest import tried, when one was
};

struct HostHooks {
  // Shows the hourglass while a silent import runs and the default pointer afterwards.
  std::function<void(MousePointer)> mousePointer;
  // The silent import's progress: the counts after each committed group and at the end (an
  // Error thrown from it stops the import), and the bytes of the file read now and then.
  std::function<void(const ImportStats&)> progress;
  std::function<void(std::int64_t read, std::int64_t size)> bytesRead;
  // Opens the wizard modally and returns when it is closed.
  std::function<WizardOutcome(const WizardRequest&)> wizard;
  // Set to stop the silent import that runs (or the next one) before its next line; used up
  // by the import it stops. See VandrelCtl::Cancel.
  std::atomic<bool> cancel{false};
  static_assert(std::atomic<bool>::is_always_lock_free, "set from signal handlers");
};

// The process's hooks.
HostHooks& hostHooks();

// Uses up a request to stop as it goes out of scope, however the import it guards ended.
struct StopRequestUsedUp {
  StopRequestUsedUp() = default;
  StopRequestUsedUp(const StopRequestUsedUp&) = delete;
  StopRequestUsedUp& operator=(const StopRequestUsedUp&) = delete;
  ~StopRequestUsedUp() { hostHooks().cancel.store(false); }
};

}  // namespace vandrel
