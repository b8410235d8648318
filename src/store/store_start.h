// Starting the record store for the program, and the routines through which
// it talks to the operator: the lock question and the stop message.
#pragma once

#include "base/user_port.h"
#include "store/file_manager.h"

namespace vek::store {

// The question routine of a running program: an index rebuild and the
// creation of missing files are answered yes without a word; a held file and
// a path that cannot be found are put to the operator.
LockQuestionRoutine AskThrough(UserPort& port, bool german);

// Starts the store once per run: the error log is "KX.ERR" while it starts
// and "IFD.ERR" afterwards. A refused start is reported to the operator and
// gives false; the program then ends with exit code 1.
bool StartStore(FileManager& fm, UserPort& port, bool german);

// Tells the operator of every repair that could not keep all records: how
// many, where their bytes are and where the file as it was is kept.
void TellRepairs(FileManager& fm, UserPort& port, bool german);

}  // namespace vek::store
