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

// Login as a cooperative server plays it. Without resume support no SIZE comes before an
// upload; with it the server reports the size of a file already there.
inline Script LoginScript(bool resume = false) {
  Script s = {"S: 220 hello",  "C: USER user", "S: 331 password please", "C: PASS pw",
              "S: 230 in",     "C: SYST",      "S: 215 UNIX Type: L8",   "C: TYPE I",
              "S: 200 binary", "C: REST 100"};
  if (resume) {
    s.insert(s.end(), {"S: 350 restarting at 100", "C: REST 0", "S: 350 restarting at 0"});
  } else {
    s.push_back("S: 502 no");
  }
  s.insert(s.end(), {"C: CWD /", "S: 250 \"/\" is current"});
  return s;
}

// A listing of the current folder with `lines` on the data connection.
inline Script Listing(const Script& lines) {
  Script s = {"C: TYPE A", "S: 200 ascii",
              "C: PASV",   "S: 227 Entering Passive Mode (127,0,0,1,{p1},{p2}).",
              "C: LIST",   "S: 150 here it comes"};
  for (const std::string& l : lines) s.push_back("D: " + l);
  return Concat(s, {"DCLOSE", "S: 226 done"});
}

}  // namespace app_test
