#include "app/program_starter.h"

#include <sys/stat.h>

#include <cerrno>

#include "app/t_stayline.h"
#include "core/text.h"
#include "platform/detached_launch.h"

namespace app {
namespace {

struct StartError {
  int Code;  // -1: every code not in the table
  bool WithPaths;
  const char* German;
  const char* English;
};

constexpr StartError kStartErrors[] = {
    {0, false,
     "Zu wenig Speicher, ausführbare Datei war zerstört, Relokationswerte waren ungültig.",
     "Too little memory, executable file was destroyed, Relocations results were incorrect."},
    {2, true, "Datei wurde nicht gefunden.", "File was not found."},
    {3, true, "Verzeichnis wurde nicht gefunden.", "Directory was not found."},
    {5, false,
     "Fehler beim gemeinsamen Zugriff auf eine Datei im Netz oder Fehler beim Zugriff auf eine "
     "gesperrte Datei im Netz.",
     "Fault at the common access to a file in the net or fault at the access to a locked file in "
     "the net."},
    {6, false, "Bibliothek forderte seperate Datensegmente für jede Task an.",
     "Library requested seperate data segments for every task."},
    {8, true, "Zu wenig Speicher, um die Anwendung zu starten.",
     "Too little memory to start the application."},
    {10, false, "Falsche Windows-Version.", "Wrong Windows version."},
    {11, true,
     "Ungültige ausführbare Datei. Entweder keine Windows-Anwendung oder Fehler in der EXE-Datei.",
     "Incorrect executable file. Either no Windows application or fault in the EXE file."},
    {12, false, "Anwendung für ein anderes Betriebssystem.",
     "Application for another operating system."},
    {13, false, "Anwendung für MS-DOS 4.0.", "Application for MS-DOS 4.0."},
    {14, false, "Typ der ausführbaren Datei unbekannt.", "Type of the executable file unknown."},
    {15, false, "Versuch, eine Real-Mode-Anwendung zu laden.",
     "Try to load a Real-Mode application."},
    {19, false,
     "Versuch, eine komprimierte ausführbare Datei zu laden. Die Datei muß dekomprimiert werden, "
     "bevor sie geladen werden kann.",
     "Try to load a packed executable file. The file must be decompressed before she can be "
     "loaded."},
    {20, false,
     "Ungültige dynamische Linkbibliothek (DLL). Eine der DLLs, die benötigt wurde, um die "
     "Anwendung auszuführen, war beschädigt.",
     "Incorrect dynamic link library (DLL). One of the DLLs which was needed to execute the "
     "application was damaged."},
    {-1, false, "Unbekannter Windows-Fehler.", "Unknown Windows-Error."},
};

bool IsFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Quoted(const std::string& text) {
  return text.find(' ') != std::string::npos ? "\"" + text + "\"" : text;
}

}  // namespace

ProgramStarter::ProgramStarter(TStayline& main) : main_(main) {
  Launch = [](const std::vector<std::string>& argv) {
    int error = 0;
    return platform::StartDetached(argv, nullptr, nullptr, "", &error) ? 0
                                                                       : (error ? error : ENOEXEC);
  };
}

int ProgramStarter::StartErrorCode(int error) {
  switch (error) {
    case ENOENT:
      return 2;
    case ENOTDIR:
      return 3;
    case EACCES:
    case EPERM:
    case ETXTBSY:
      return 5;
    case ENOMEM:
    case E2BIG:
      return 8;
    case ENOEXEC:
    case ELIBBAD:
      return 11;
    default:
      return 31;  // outside the table: the unknown error
  }
}

std::string ProgramStarter::RelocationMSG(int code, const std::string& program,
                                          const std::string& parameters,
                                          const std::string& language) {
  if (language != "1" && language != "0") return "";
  const StartError* entry = &kStartErrors[std::size(kStartErrors) - 1];
  for (const StartError& e : kStartErrors) {
    if (e.Code == code) entry = &e;
  }
  std::string text = language == "1" ? entry->German : entry->English;
  if (entry->WithPaths) text += "\r\n\r\n" + program + "\r\n" + parameters;
  return text;
}

void ProgramStarter::CallProgramm(const std::string& program, bool showErrors, int /*windowState*/,
                                  const std::string& parameters) {
  const std::string prog = core::Trim(program);
  const std::string params = core::Trim(parameters);
  const std::string located = platform::FindInPath(prog);
  if (located.empty() && !IsFile(params)) {
    main_.Beep();
    main_.Dialogs().MessageBox(
        main_.Tx("Programm nicht gefunden: " + prog + "\r\noder\r\nFalscher Parameter: " + params,
                 "Program not found: " + prog + "\r\nor\r\nWrong parameter: " + params),
        main_.BaseCaption(), forms::Buttons::OK, forms::MessageKind::Error);
    return;
  }
  std::vector<std::string> argv{located.empty() ? prog : located};
  if (!params.empty()) argv.push_back(params);
  const int error = Launch(argv);
  if (error == 0 || !showErrors) return;
  main_.Dialogs().MessageBox(
      RelocationMSG(StartErrorCode(error), Quoted(prog), Quoted(params), main_.Regs().Language),
      main_.BaseCaption(), forms::Buttons::OK, forms::MessageKind::Error);
}

}  // namespace app
