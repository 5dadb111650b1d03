#pragma once
// ProgramStarter: starts a program for the user (the manual's viewer) and turns a failed start
// into a readable message in the program's language. On POSIX a start error is the errno of the
// failed exec, mapped onto the classic start-error codes: a missing file 2, a missing folder 3,
// access denied 5, out of memory 8, not executable 11, anything else an unknown error.
//
// Threading: loop thread only.

#include <functional>
#include <string>
#include <vector>

namespace app {

class TStayline;

class ProgramStarter {
 public:
  explicit ProgramStarter(TStayline& main);

  // Starts `program` (a path, or a name found in PATH) with `parameters` as its one argument
  // (none when empty). The window state of the classic call has no meaning for a detached
  // program here and is accepted as given. A program that exists neither as a file nor in PATH,
  // with no file named `parameters` either, gives the "not found" message; a failed start shows
  // the start-error message when `showErrors`.
  void CallProgramm(const std::string& program, bool showErrors, int windowState,
                    const std::string& parameters);

  // The start-error message for `code` in `language` ("1" German, "0" English, any other: "").
  // For the codes of a missing file, folder, memory or executable the program and parameters
  // follow on their own lines.
  static std::string RelocationMSG(int code, const std::string& program,
                                   const std::string& parameters, const std::string& language);
  // The start-error code of the errno of a failed start.
  static int StartErrorCode(int error);

  // How a program is started: 0 when it runs, else the errno of the failure. Tests replace it.
  std::function<int(const std::vector<std::string>& argv)> Launch;

 private:
  TStayline& main_;
};

}  // namespace app
