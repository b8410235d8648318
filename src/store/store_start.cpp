#include "store/store_start.h"

namespace vek::store {

LockQuestionRoutine AskThrough(UserPort& port, bool german) {
  return [&port, german](const std::string& display_name, LockQuestion type) {
    if (type == LockQuestion::kRebuildIndex || type == LockQuestion::kCreateFiles) return true;
    return port.AskYesNo(LockQuestionText(display_name, type, german));
  };
}

bool StartStore(FileManager& fm, UserPort& port, bool german) {
  fm.SetErrorLogName("KX.ERR");
  if (fm.InitFileManager(160, 32) != 0) {
    port.Inform(german ? "Dateiverwaltung konnte nicht initialisiert werden" : "Error initializising file manager");
    return false;
  }
  fm.SetErrorLogName("IFD.ERR");
  if (!fm.HasLockQuestion()) fm.SetLockQuestion(AskThrough(port, german));  // a companion brings its own
  return true;
}

}  // namespace vek::store
