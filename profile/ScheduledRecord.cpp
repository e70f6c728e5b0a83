#include "profile/ScheduledRecord.h"

#include "profile/RegKey.h"
#include "profile/SweepProfile.h"

namespace {

const char kValue[] = "lastScheduledRun";
const char kBreak[] = "\r\n";

std::string Formatted(int (WINAPI* format)(LCID, DWORD, const SYSTEMTIME*, LPCSTR, LPSTR, int),
                      DWORD flags, const SYSTEMTIME& when) {
  char text[128] = {};
  int length = format(LOCALE_USER_DEFAULT, flags, &when, nullptr, text, sizeof text);
  return length > 1 ? std::string(text, length - 1) : "";
}

// What a record is: lines of text, none of them holding a control
// character. A stored value of anything else was not written here.
bool IsText(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 && c != '\r' && c != '\n' && c != '\t') return false;
  return true;
}

}  // namespace

std::string MakeScheduledRecord(const SYSTEMTIME& started, const std::vector<std::string>& report) {
  std::string record = "Scheduled clean on " + Formatted(GetDateFormatA, DATE_SHORTDATE, started) +
                       " at " + Formatted(GetTimeFormatA, TIME_NOSECONDS, started) + ":";
  std::vector<std::string> lines = report;
  // A run that met nothing to erase says so, rather than nothing at all.
  if (lines.empty()) lines.push_back("Nothing was found to erase.");
  // The cut line is at most this long; it must fit too, with the NUL.
  const size_t room = kScheduledRecordLimit - 64;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (record.size() + 2 + lines[i].size() >= room) {
      record += kBreak + ("... and " + std::to_string(lines.size() - i) + " more.");
      break;
    }
    record += kBreak + lines[i];
  }
  return record;
}

void SaveScheduledRecord(const std::string& record) {
  CRegKey key;
  if (key.Open(HKEY_CURRENT_USER, kSettingsKeyPath, KEY_SET_VALUE) != ERROR_SUCCESS) return;
  RegSetValueExA(key.Get(), kValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(record.c_str()),
                 static_cast<DWORD>(record.size() + 1));
}

std::vector<std::string> TakeScheduledRecord() {
  std::vector<std::string> lines;
  CRegKey key;
  if (key.Open(HKEY_CURRENT_USER, kSettingsKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE) !=
      ERROR_SUCCESS)
    return lines;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.Get(), kValue, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return lines;
  // Asked without a buffer, the "A" call may give the stored UTF-16 size,
  // up to twice the text's: the text's own size is checked once read.
  std::string text;
  if (type == REG_SZ && size > 0 && size <= 2 * kScheduledRecordLimit) {
    text.resize(size);
    if (RegQueryValueExA(key.Get(), kValue, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ || size > text.size() || size > kScheduledRecordLimit)
      text.clear();
    else
      text.resize(size);
  }
  RegDeleteValueA(key.Get(), kValue);
  // One NUL at the end and none before it.
  if (text.empty() || text.back() != '\0') return lines;
  text.pop_back();
  if (text.empty() || !IsText(text)) return lines;
  for (size_t at = 0;;) {
    size_t end = text.find(kBreak, at);
    lines.push_back(text.substr(at, end - at));
    if (end == std::string::npos) break;
    at = end + 2;
  }
  return lines;
}
