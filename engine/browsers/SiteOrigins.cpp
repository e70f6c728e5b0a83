#include "engine/browsers/SiteOrigins.h"

#include "engine/stores/SqliteDb.h"

namespace {

// The scheme in front of `separator` ("://", "_", "+++"), or "" when the text
// does not start with one.
std::string_view SchemeBefore(std::string_view text, std::string_view separator) {
  size_t end = text.find(separator);
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end);
}

}  // namespace

bool IsWebScheme(std::string_view scheme) {
  return scheme == "http" || scheme == "https" || scheme == "file";
}

bool IsWebStorageKey(std::string_view key) {
  // The parts after the origin start with "^" and a digit; "^0" is the
  // top-level site the data was stored under.
  size_t caret = key.find('^');
  if (IsWebScheme(SchemeBefore(key.substr(0, caret), "://"))) return true;
  while (caret != std::string_view::npos) {
    size_t next = key.find('^', caret + 1);
    std::string_view part = key.substr(caret + 1, next - caret - 1);
    if (!part.empty() && part[0] == '0' && IsWebScheme(SchemeBefore(part.substr(1), "://")))
      return true;
    caret = next;
  }
  return false;
}

bool IsWebOriginId(std::string_view id) { return IsWebScheme(SchemeBefore(id, "_")); }

bool HasWebPartitionKey(std::string_view suffix) {
  // partitionKey=(scheme,host[,port]), percent-encoded: "%28https%2Ca.com%29".
  for (std::string_view open : {"partitionKey=%28", "partitionKey=("}) {
    size_t at = suffix.find(open);
    if (at == std::string_view::npos) continue;
    std::string_view rest = suffix.substr(at + open.size());
    std::string_view scheme = SchemeBefore(rest, open.back() == '(' ? "," : "%2C");
    if (IsWebScheme(scheme)) return true;
  }
  return false;
}

bool IsWebOriginFolder(std::string_view name) {
  size_t caret = name.find('^');
  return IsWebScheme(SchemeBefore(name.substr(0, caret), "+++")) ||
         (caret != std::string_view::npos && HasWebPartitionKey(name.substr(caret)));
}

bool IsWebReversedOriginKey(std::string_view key) {
  // "<reversed host>.:<scheme>:<port>". The host may hold colons itself (an
  // IPv6 address), so the scheme is read from the end: the last field, or
  // the one before it when the last is the port.
  size_t colon = key.rfind(':');
  if (colon == std::string_view::npos) return false;
  std::string_view last = key.substr(colon + 1);
  if (last.empty() || last.find_first_not_of("0123456789") != std::string_view::npos)
    return IsWebScheme(last);
  size_t before = colon == 0 ? std::string_view::npos : key.rfind(':', colon - 1);
  return before != std::string_view::npos &&
         IsWebScheme(key.substr(before + 1, colon - before - 1));
}

int AddSiteTests(CSqliteDb& db) {
  const struct {
    const char* name;
    bool (*test)(std::string_view);
  } tests[] = {{"web_scheme", IsWebScheme},
               {"web_key", IsWebStorageKey},
               {"web_id", IsWebOriginId},
               {"web_partition", HasWebPartitionKey},
               {"web_reversed_key", IsWebReversedOriginKey}};
  int result = 0;
  for (const auto& test : tests)
    if (result == 0) result = db.AddTextTest(test.name, test.test);
  return result;
}
