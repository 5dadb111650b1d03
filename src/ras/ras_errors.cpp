#include "ras/ras_errors.h"

#include <cstdlib>
#include <string_view>

namespace ras {

namespace {

struct ErrorText {
  std::uint32_t Code;
  const char* English;
  const char* German;
};

// Every text fits the 100-character buffer the callers hand over.
constexpr ErrorText kTexts[] = {
    {ERROR_ACCESS_DENIED, "Access is denied: the entry is connected.",
     "Zugriff verweigert: der Eintrag ist verbunden."},
    {ERROR_INVALID_HANDLE, "The handle is invalid.", "Das Handle ist ungültig."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect.", "Falscher Parameter."},
    {ERROR_INVALID_NAME, "The entry name is invalid.", "Der Eintragsname ist ungültig."},
    {ERROR_ALREADY_EXISTS, "An entry with this name already exists.",
     "Ein Eintrag mit diesem Namen ist bereits vorhanden."},
    {ERROR_PENDING, "An operation is pending.", "Ein Vorgang ist ausstehend."},
    {ERROR_PORT_ALREADY_OPEN, "The port is already open.", "Der Anschluss ist bereits geöffnet."},
    {ERROR_BUFFER_TOO_SMALL, "The caller's buffer is too small.",
     "Der Puffer des Aufrufers ist zu klein."},
    {ERROR_DEVICE_DOES_NOT_EXIST, "The device does not exist.", "Das Gerät ist nicht vorhanden."},
    {ERROR_BUFFER_INVALID, "The buffer is invalid.", "Der Puffer ist ungültig."},
    {ERROR_CANNOT_OPEN_PHONEBOOK, "Cannot open the phone book file.",
     "Die Telefonbuchdatei kann nicht geöffnet werden."},
    {ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, "Cannot find the phone book entry.",
     "Der Telefonbucheintrag wurde nicht gefunden."},
    {ERROR_CANNOT_WRITE_PHONEBOOK, "Cannot write the phone book file.",
     "Die Telefonbuchdatei kann nicht geschrieben werden."},
    {ERROR_DISCONNECTION, "The connection was closed before it could be completed.",
     "Die Verbindung wurde beendet, bevor sie hergestellt war."},
    {ERROR_REMOTE_DISCONNECTION, "The connection was closed by the remote computer.",
     "Die Verbindung wurde vom Remotecomputer beendet."},
    {ERROR_USER_DISCONNECTION, "The connection was closed by the user.",
     "Die Verbindung wurde vom Benutzer beendet."},
    {ERROR_INVALID_SIZE, "The structure size is incorrect.", "Die Strukturgröße ist falsch."},
    {ERROR_FROM_DEVICE, "The modem (or other connecting device) has reported an error.",
     "Das Modem (oder ein anderes Verbindungsgerät) hat einen Fehler gemeldet."},
    {ERROR_NO_CONNECTION, "The connection was closed.", "Die Verbindung wurde getrennt."},
    {ERROR_LINE_BUSY, "The phone line is busy.", "Die Leitung ist besetzt."},
    {ERROR_NO_ANSWER, "The remote computer did not respond.",
     "Der Remotecomputer antwortet nicht."},
    {ERROR_NO_DIALTONE, "There is no dial tone.", "Es ist kein Wählton vorhanden."},
    {ERROR_AUTHENTICATION_FAILURE,
     "Access was denied because the user name or password is invalid.",
     "Der Zugriff wurde verweigert, da Benutzername oder Kennwort ungültig ist."},
    {ERROR_PROJECTION_NOT_COMPLETE, "The network protocol projection is not complete.",
     "Die Projektion des Netzwerkprotokolls ist nicht abgeschlossen."},
    {ERROR_PROTOCOL_NOT_CONFIGURED, "The protocol is not configured.",
     "Das Protokoll ist nicht konfiguriert."},
    {ERROR_DIAL_ALREADY_IN_PROGRESS, "This connection is already being dialed.",
     "Diese Verbindung wird bereits gewählt."},
    {ERROR_CANCELLED, "The operation was cancelled by the user.",
     "Der Vorgang wurde vom Benutzer abgebrochen."},
    {ERROR_TIMEOUT, "The operation did not finish in time.",
     "Der Vorgang wurde nicht rechtzeitig beendet."},
};

}  // namespace

std::string RasErrorText(std::uint32_t error, RasTextLanguage language) {
  const bool german = language == RasTextLanguage::kGerman;
  if (error == ERROR_SUCCESS)
    return german ? "Der Vorgang wurde erfolgreich beendet."
                  : "The operation completed successfully.";
  for (const auto& t : kTexts) {
    if (t.Code == error) return german ? t.German : t.English;
  }
  return (german ? "RAS-Fehler " : "RAS error ") + std::to_string(error) + ".";
}

RasTextLanguage SystemTextLanguage() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    return std::string_view(value).substr(0, 2) == "de" ? RasTextLanguage::kGerman
                                                        : RasTextLanguage::kEnglish;
  }
  return RasTextLanguage::kEnglish;
}

}  // namespace ras
