#pragma once
// Pieces of scripted FTP sessions shared by the tests of the auto-FTP upload and the FTP page.

#include <string>
#include <vector>

namespace app_test {

using Script = std::vector<std::string>;

inline Script Concat(Script a, const Script& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Login as a cooperative server plays it (no resume support: no SIZE before an upload).
inline Script LoginScript() {
  return {"S: 220 hello",
          "C: USER user",
          "S: 331 password please",
          "C: PASS pw",
          "S: 230 in",
          "C: SYST",
          "S: 215 UNIX Type: L8",
          "C: TYPE I",
          "S: 200 binary",
          "C: REST 100",
          "S: 502 no",
          "C: CWD /",
          "S: 250 \"/\" is current"};
}

}  // namespace app_test
