#include "store/store_errors.h"

#include "base/cp1252.h"
#include "base/number_picture.h"

namespace vek::store {

int ClassOfError(std::int32_t n) {
  if (n == 0) return 0;
  if (n >= 12288) {
    const int digit = (n >> 12) & 0xF;
    if (n > 0xFFFF || digit < 3 || digit > 7) return 99;
    return digit - 2;
  }
  switch (n) {
    case kPathNotFound:
    case kDriveNotReady:
    case kLocked:
    case kLockedFileBlock:
    case kRecordLocked:
    case 10065:
    case kBadKeyDefinition:
    case kFieldOutsideRecord:
    case kPutReservedBytesSet:
    case 10390:
    case 10397:
    case 10399: return 2;
    case kFileNotFound:
    case kAutoNumberKeyUndefined: return 1;
    case kBeingChanged:
    case kIndexHeaderBad: return 4;
    default: break;
  }
  if (n >= 10200 && n <= 10299) return 1;
  if (n >= 10001 && n <= 10009) return 3;
  return 4;
}

std::int32_t DisplayedErrorNumber(std::int32_t n) { return n < 12288 ? n : (n & 0xFFF); }

Text StopMessage(std::int32_t n, bool german) {
  Text lines[6];
  if (n == kOsFailure)
    lines[0] = german ? "Datenbankzugriff verweigert!" : "No data access!";
  else
    lines[0] = (german ? "Fehlercode: " : "errorcode: ") + FormatNumber(n, 8);
  lines[1] = german ? "Das Programm wird abgebrochen. " : "The program will be cancled. ";
  switch (n) {
    case 91:
      lines[2] = german ? W("Mögliche Fehlerursache: zu wenig Filehandle") : "Possible error cause: not enough filehandle";
      lines[3] = german ? W("Mögliche Fehlerbehebung: Erhöhen Sie den Wert") : "Possible error correction:Increase FILES in ";
      lines[4] = german ? "in der Datei CONFIG.SYS auf 100." : "the file CONFIG.SYS to 100.";
      break;
    case 10140:
    case 10141:
      lines[2] = german ? W("Mögl.Ursachen: Programmpfad zu lang (>50) o.Schreibschutz auf Datei o.and.VEK-Progr.aktiv.")
                        : "Possible error cause: VINDO always activ.";
      lines[3] = german ? W("Mögl.Behebung: Progr.in Ordner \"Programme\" install. o.Schreibschutz auf Dateien des "
                            "Programms entfernen o.and.VEK-Progr.beenden!")
                        : "Possible error correction: Cancel VINDO";
      break;
    case 10075:
      lines[2] = german ? W("Mögliche Fehlerursache: Zu wenig Plattenspeicher.") : "Possible error cause: Not enough disk space.";
      lines[3] = german ? W("Mögliche Fehlerbehebung: Erhöhen Sie den freien") : "Possible error correction: Increase free space";
      lines[4] = german ? "Festplattenspeicher." : "on hard disk.";
      break;
    case 10070:
      lines[2] = german ? W("Mögliche Fehlerursache: Indexdatei defekt.") : "Possible error cause: incorrect index file.";
      lines[3] = german ? W("Mögliche Fehlerbehebung: Tritt dieser Fehler nach") : "Possible error correction: Restart the program.";
      lines[4] = german ? "Neustart wieder auf: Informieren Sie die Hotline." : "If error continues: Inform the hotline.";
      break;
    case 10465:
      lines[2] = german ? W("Mögliche Fehlerursache: Reorg. fehlgeschlagen.") : "Possible error cause: Reorganisation failure.";
      lines[3] = german ? W("Mögliche Fehlerbehebung: Tritt gleicher Fehler") : "Possible error correction: Restart the program.";
      lines[4] = german ? "nach Neustart wieder auf: Benennen Sie .SAV-" : "If error continues: Rename .SAV-files";
      lines[5] = german ? "Dateien in .DAT-Dateien um." : "to .DAT-files.";
      break;
    default: break;
  }
  Text out = lines[0];
  for (int i = 1; i < 6; ++i) out += "\r" + lines[i];
  return out;
}

Text LockQuestionText(const std::string& display_name, LockQuestion type, bool german) {
  Text text;
  if (type == LockQuestion::kPathNotFound)
    text = german ? " undefinierter Fehler. Noch einmal versuchen? " : " undefined Error. Retry ? ";
  else
    text = german ? " Record oder Datei gelockt. Noch einmal versuchen? " : " Record or file locked. Retry ? ";
  return Cut(display_name, 40) + ": " + text;
}

}  // namespace vek::store
