#include "ras/ras_string_table.h"

#include <array>

#include "ras/ras_api.h"

namespace ras {

namespace {

constexpr int kTextsPerLanguage = 28;
using Column = std::array<const char*, kTextsPerLanguage>;

// German row 16 is English in the original table; it stays that way because the texts are the
// program's own and users know them.
constexpr Column kGerman = {
    "Anschluss wird geöffnet",
    "Anschluss ist geöffnet",
    "Verbinde",
    "Verbunden",
    "Alle verbunden",
    "Starte Identifizierung",
    "Identifizierung: notify",
    "Identifizierung: retry",
    "Identifizierung: callback",
    "Identifizierung: change password",
    "Identifizierung: projecting",
    "Identifizierung: link speed",
    "Identifizierung: acknowledge",
    "Identifizierung: reauthenticate",
    "Identifziert",
    "Preparing for callback",
    "Warte auf Modemreset",
    "Warte auf callback",
    "Durchgeführt",
    "Starte Identifizierung",
    "Callback fertig",
    "Login in das Netzwerk",
    "Interaktiv",
    "Wiederhole Identifizierung",
    "Callback vom Anrufer gesetzt",
    "Passwort ungültig",
    "Verbunden",
    "Getrennt",
};

constexpr Column kEnglish = {
    "Opening port",
    "Port opened",
    "Connecting device",
    "Device connected",
    "All devices connected",
    "Start authenticating",
    "Authentication: notify",
    "Authentication: retry",
    "Authentication: callback",
    "Authentication: change password",
    "Authentication: projecting",
    "Authentication: link speed",
    "Authentication: acknowledge",
    "Authentication: reauthenticate",
    "Authenticated",
    "Preparing for callback",
    "Waiting for modem reset",
    "Waiting for callback",
    "Projected",
    "Start authentication",
    "Callback complete",
    "Logging on network",
    "Interactive",
    "Retry Authentication",
    "Callback set by caller",
    "Password expired",
    "Connected",
    "Disconnected",
};

constexpr Column kCzech = {
    "Otevírá se port",
    "Port otevřen",
    "Probíhá spojování",
    "Navázáno spojení",
    "Všechna zařízení spojena",
    "Začínají se ověřovat uživatelské informace",
    "Ověření: oznámení",
    "Ověření: opakování",
    "Ověření: zpětné volání",
    "Ověření: změna hesla",
    "Ověření: návrh",
    "Ověření: spojovací rychlost",
    "Ověření: potvrzení",
    "Ověření: znovuověření",
    "Ověřeno",
    "Příprava na zpetné volání",
    "Čeká se na reset modemu",
    "Čeká se na zpětné volání",
    "Navrhnuto",
    "Ověřování uživatelských informací",
    "Zpetné volání hotovo",
    "Připojuje se na síť",
    "Interakce",
    "Opakování oveření",
    "Zpětné volání zvoleno uživatelem",
    "Platnost hesla vypršela",
    "Spojeno",
    "Rozpojeno",
};

constexpr Column kPortuguese = {
    "Abrindo a porta",
    "Porta aberta",
    "Conectando componente",
    "Componente conenctado",
    "Todos componentes conectados",
    "Iniciando autenticaçao",
    "Autenticaçao: enviando",
    "Autenticaçao: Reenviando",
    "Autenticaçao: Esperando",
    "Autenticaçao: senha incorreta",
    "Autenticaçao: enviando",
    "Autenticaçao: Velocidade da linha",
    "Autenticaçao: enviando",
    "Autenticaçao: Re-Autenticando",
    "Autenticado",
    "Preparando para callback",
    "Esperando Reset do modem",
    "Esperando callback",
    "Enviando",
    "Autenticaçao iniciada",
    "Callback completo",
    "Logando na rede",
    "Modo Interativo",
    "Re-autenticar",
    "Callback foi conf. pelo destino",
    "Senha inválida",
    "Conectado",
    "Desconectado",
};

// Row 15 ends in a blank, as it always has.
constexpr Column kPolish = {
    "Otwieranie portu",
    "Port otwarty",
    "Łączenie z urządzeniem",
    "Urządzenie gotowe",
    "Wszystkie urządzenia podłączone",
    "Sprawdzanie nazwy użytkownika i hasła",
    "Autoryzacja: Informacja",
    "Autoryzacja: Powtórzenie",
    "Autoryzacja: Oddzwanianie",
    "Autoryzacja: Zmiana hasła",
    "Autoryzacja: Prezentacja",
    "Autoryzacja: Prędkość połączenia",
    "Autoryzacja: Potwierdzenie",
    "Autoryzacja: Powtórzona",
    "Autoryzowane, logowanie do sieci ",
    "Przygotowywanie do oddzwonienia",
    "Oczekiwanie na reset modemu",
    "Oczekiwanie na oddzwonienie",
    "Prezentacja",
    "Start autoryzacji",
    "Oddzwanianie zakończone",
    "Łączenie do sieci",
    "Interaktywnie",
    "Powtórz autoryzację",
    "Oddzwanienie ustawione",
    "Hasło przestarzałe",
    "Połączony",
    "Rozłączony",
};

constexpr std::array<const Column*, 5> kLanguages = {&kGerman, &kEnglish, &kCzech, &kPortuguese,
                                                     &kPolish};

}  // namespace

std::string LoadRasString(int id) {
  const int language = id / 1000 - 1;
  const int offset = id % 1000;
  if (language < 0 || language >= static_cast<int>(kLanguages.size())) return {};
  if (offset < 1 || offset > kTextsPerLanguage) return {};
  return (*kLanguages[language])[offset - 1];
}

int RasStateTextOffset(std::uint32_t state) {
  if (state <= RASCS_LogonNetwork) return static_cast<int>(state) + 1;  // 0..21 -> 1..22
  switch (state) {
    case RASCS_Interactive:
      return 23;
    case RASCS_RetryAuthentication:
      return 24;
    case RASCS_CallbackSetByCaller:
      return 25;
    case RASCS_PasswordExpired:
      return 26;
    case RASCS_Connected:
      return 27;
    case RASCS_Disconnected:
      return 28;
    default:
      return 0;
  }
}

}  // namespace ras
