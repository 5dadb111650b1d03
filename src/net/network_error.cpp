#include "net/network_error.h"

namespace net {
namespace {

struct Record {
  bool flag = false;
  std::string text;
};

Record& TheRecord() {
  static Record record;
  return record;
}

}  // namespace

bool NetworkErrorFlag() {
  return TheRecord().flag;
}

const std::string& NetworkErrorText() {
  return TheRecord().text;
}

void RecordNetworkError(int code) {
  TheRecord().flag = true;
  TheRecord().text = "Socket Refresh: " + std::to_string(code);
}

void RecordNetworkErrorText(const std::string& text) {
  TheRecord().flag = true;
  TheRecord().text = text;
}

void ClearNetworkError() {
  TheRecord().flag = false;
  TheRecord().text.clear();
}

}  // namespace net
