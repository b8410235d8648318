#include "store/store_start.h"

#include "base/cp1252.h"

namespace vek::store {

LockQuestionRoutine AskThrough(UserPort& port, bool german) {
  return [&port, german](const std::string& display_name, LockQuestion type) {
    if (type == LockQuestion::kRebuildIndex || type == LockQuestion::kCreateFiles) return true;
    return port.AskYesNo(LockQuestionText(display_name, type, german));
  };
}

bool StartStore(FileManager& fm, UserPort& port, bool german) {
  fm.SetErrorLogName("KX.ERR");
  if (fm.InitFileManager(FileManager::kPageBuffers, 32) != 0) {
    port.Inform(german ? "Dateiverwaltung konnte nicht initialisiert werden" : "Error initializising file manager");
    return false;
  }
  fm.SetErrorLogName("IFD.ERR");
  if (!fm.HasLockQuestion()) fm.SetLockQuestion(AskThrough(port, german));  // a companion brings its own
  return true;
}

void TellRepairs(FileManager& fm, UserPort& port, bool german) {
  for (const FileManager::RepairNote& n : fm.TakeRepairNotes()) {
    const std::string count = std::to_string(n.records_dropped);
    Text text = german ? "Die Datei " + n.file_name + ".DAT war beschädigt. " + count +
                             " Datensatz/Datensätze konnte(n) nicht übernommen werden; die Bytes stehen in " +
                             n.file_name + ".MSG."
                       : "The file " + n.file_name + ".DAT was damaged. " + count +
                             " record(s) could not be kept; their bytes are in " + n.file_name + ".MSG.";
    if (!n.copy.empty())
      text += german ? " Die Datei vor der Reparatur ist " + n.copy + "." : " The file as it was is " + n.copy + ".";
    port.Inform(Utf8ToCp1252(text));
  }
}

}  // namespace vek::store
