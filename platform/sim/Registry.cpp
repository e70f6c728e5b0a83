// The simulated registry: four hives of keys and values, open key handles with
// the rights they were opened with, and the advapi32/shlwapi registry calls of
// platform/win32.h over them. It follows Windows NT; the conformance tests in
// tests/conformance/Registry*.cpp pin each point against Wine, and
// docs/platform.md lists where Wine answers differently.
#include <cstring>
#include <iomanip>
#include <sstream>

#include "platform/sim/Machine.h"

namespace sim {
namespace {

using NodePtr = std::shared_ptr<RegNode>;

// advapi32's answer for a null data pointer with a non-zero size.
constexpr LONG kErrorNoAccess = 998;  // ERROR_NOACCESS

const struct {
  HKEY key;
  const char* name;
} kRoots[] = {{HKEY_CURRENT_USER, "HKCU"},
              {HKEY_LOCAL_MACHINE, "HKLM"},
              {HKEY_CLASSES_ROOT, "HKCR"},
              {HKEY_USERS, "HKU"}};

// What an HKEY stands for. A predefined root carries every right.
struct Handle {
  NodePtr node;
  REGSAM access = 0;
  bool root = false;
};

bool Resolve(HKEY key, Handle* out) {
  Machine& m = M();
  auto root = m.roots.find(key);
  if (root != m.roots.end()) {
    *out = Handle{root->second, ~REGSAM(0), true};
    return true;
  }
  auto open = m.keys.find(key);
  if (open == m.keys.end()) return false;
  *out = Handle{open->second->node, open->second->access, false};
  return true;
}

// The status of a value or enumeration call through `key`. The handle's
// rights are checked before the key's existence, as the kernel references
// the handle with the access the call needs before it looks at the key.
LONG Usable(HKEY key, REGSAM right, Handle* out) {
  if (!Resolve(key, out)) return ERROR_INVALID_HANDLE;
  if (!(out->access & right)) return ERROR_ACCESS_DENIED;
  if (out->node->deleted) return ERROR_KEY_DELETED;
  return ERROR_SUCCESS;
}

// A deleted key keeps its full path as its name (see Remove), so this also
// names keys whose parents are gone.
std::string PathOf(const RegNode* node) {
  std::string path = node->name;
  for (const RegNode* up = node->parent; up; up = up->parent) path = up->name + "\\" + path;
  return path;
}

std::string Subject(HKEY key, const std::string& name) {
  return name.empty() ? KeyPath(key) : KeyPath(key) + "\\" + name;
}

std::string ValueSubject(HKEY key, const char* name) {
  // The default value is addressed as "<key>\" so that a failure can be
  // injected into it apart from calls on the key itself.
  return KeyPath(key) + "\\" + (name ? name : "");
}

// A relative path must not begin with a backslash: Windows NT rejects it with
// ERROR_BAD_PATHNAME. Trailing and doubled backslashes name nothing.
LONG SplitPath(const char* path, std::vector<std::string>* names) {
  names->clear();
  if (!path || !*path) return ERROR_SUCCESS;
  if (*path == '\\') return ERROR_BAD_PATHNAME;
  std::string part;
  for (const char* p = path;; ++p) {
    if (*p == '\\' || *p == '\0') {
      if (!part.empty()) names->push_back(part);
      part.clear();
      if (*p == '\0') break;
    } else {
      part += *p;
    }
  }
  return ERROR_SUCCESS;
}

NodePtr Child(const NodePtr& node, const std::string& name) {
  auto it = node->subkeys.find(Upper(name));
  return it == node->subkeys.end() ? nullptr : it->second;
}

NodePtr Walk(NodePtr node, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    node = Child(node, name);
    if (!node) return nullptr;
  }
  return node;
}

NodePtr AddChild(const NodePtr& parent, const std::string& name) {
  auto child = std::make_shared<RegNode>();
  child->name = name;
  child->parent = parent.get();
  parent->subkeys[Upper(name)] = child;
  return child;
}

void MarkDeleted(RegNode* node, const std::string& path) {
  for (auto& entry : node->subkeys) {
    MarkDeleted(entry.second.get(), path + "\\" + entry.second->name);
  }
  node->subkeys.clear();
  node->values.clear();
  node->name = path;
  node->parent = nullptr;
  node->deleted = true;
}

// Takes a key and everything below it out of its hive. Handles still open on
// any of them keep their node alive: it answers ERROR_KEY_DELETED, and takes
// its full path as its name because its parent may be freed.
void Remove(NodePtr node) {
  std::string path = PathOf(node.get());
  node->parent->subkeys.erase(Upper(node->name));
  MarkDeleted(node.get(), path);
}

HKEY OpenHandle(const NodePtr& node, REGSAM access) {
  HKEY key = reinterpret_cast<HKEY>(NewHandle());
  M().keys[key] = std::unique_ptr<OpenKey>(new OpenKey{node, access});
  return key;
}

bool IsString(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Depth first, as the shell's own walk does: a key that cannot be opened for
// reading, or deleted, stops the walk; what went before stays deleted.
LONG DeleteTree(const NodePtr& node) {
  if (node->denied & KEY_READ) return ERROR_ACCESS_DENIED;
  while (!node->subkeys.empty()) {
    NodePtr child = node->subkeys.begin()->second;
    if (LONG status = DeleteTree(child)) return status;
  }
  // A hive root cannot be deleted.
  if (!node->parent || (node->denied & DELETE)) return ERROR_ACCESS_DENIED;
  Remove(node);
  return ERROR_SUCCESS;
}

FILETIME Now() {
  const uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;
  uint64_t ticks = static_cast<uint64_t>(M().now) * 10000000ULL + kUnixEpochAsFileTime;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// ---- control API helpers ----------------------------------------------------------
NodePtr FindKey(HKEY root, const std::string& key) {
  Handle handle;
  std::vector<std::string> names;
  if (!Resolve(root, &handle) || SplitPath(key.c_str(), &names)) return nullptr;
  return Walk(handle.node, names);
}

NodePtr MakeKeyNode(HKEY root, const std::string& key) {
  Handle handle;
  std::vector<std::string> names;
  if (!Resolve(root, &handle) || SplitPath(key.c_str(), &names)) return nullptr;
  NodePtr node = handle.node;
  for (const std::string& name : names) {
    NodePtr child = Child(node, name);
    node = child ? child : AddChild(node, name);
  }
  return node;
}

const RegValue* FindValue(HKEY root, const std::string& key, const std::string& name) {
  NodePtr node = FindKey(root, key);
  if (!node) return nullptr;
  auto it = node->values.find(Upper(name));
  return it == node->values.end() ? nullptr : &it->second;
}

void Store(RegNode* node, const std::string& name, DWORD type, const std::string& data) {
  auto it = node->values.find(Upper(name));
  if (it == node->values.end()) {
    node->values[Upper(name)] = RegValue{name, type, data};
  } else {  // the name keeps the case it was first written with
    it->second.type = type;
    it->second.data = data;
  }
}

// ---- dump ---------------------------------------------------------------------------
const char* TypeName(DWORD type) {
  switch (type) {
    case REG_NONE: return "REG_NONE";
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    default: return nullptr;
  }
}

std::string Render(const RegValue& value) {
  std::ostringstream out;
  if (const char* name = TypeName(value.type)) {
    out << name;
  } else {
    out << "type " << value.type;
  }
  if (IsString(value.type)) {
    out << " \"";
    for (unsigned char c : value.data) {
      if (c == '\0') out << "\\0";
      else if (c == '"' || c == '\\') out << '\\' << c;
      else if (c < 0x20 || c >= 0x7f) out << "\\x" << std::hex << std::setw(2) << std::setfill('0')
                                          << int(c) << std::dec;
      else out << c;
    }
    out << "\"";
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    uint32_t number;
    std::memcpy(&number, value.data.data(), 4);
    out << " 0x" << std::hex << std::setw(8) << std::setfill('0') << number << std::dec;
  } else {
    const size_t kShown = 32;
    for (size_t i = 0; i < value.data.size() && i < kShown; ++i) {
      out << ' ' << std::hex << std::setw(2) << std::setfill('0')
          << int(static_cast<unsigned char>(value.data[i])) << std::dec;
    }
    if (value.data.size() > kShown) out << " ... (" << value.data.size() << " bytes)";
  }
  return out.str();
}

void DumpNode(const RegNode& node, std::ostringstream& out) {
  if (node.parent || !node.values.empty()) {
    out << "  " << PathOf(&node);
    if (node.denied) out << "  [denied 0x" << std::hex << node.denied << std::dec << "]";
    out << "\n";
    for (const auto& entry : node.values) {
      const RegValue& value = entry.second;
      out << "    " << (value.name.empty() ? "(default)" : "\"" + value.name + "\"") << " = "
          << Render(value) << "\n";
    }
  }
  for (const auto& entry : node.subkeys) DumpNode(*entry.second, out);
}

}  // namespace

std::string KeyPath(HKEY key) {
  Handle handle;
  return Resolve(key, &handle) ? PathOf(handle.node.get()) : std::string();
}

void ResetRegistry() {
  Machine& m = M();
  m.roots.clear();
  m.keys.clear();
  for (const auto& root : kRoots) {
    auto node = std::make_shared<RegNode>();
    node->name = root.name;
    m.roots[root.key] = node;
  }
}

std::string DumpRegistry() {
  std::ostringstream out;
  out << "registry:\n";
  for (const auto& root : kRoots) {
    auto it = M().roots.find(root.key);
    if (it != M().roots.end()) DumpNode(*it->second, out);
  }
  for (const auto& entry : M().keys) {
    const OpenKey& open = *entry.second;
    out << "  open key " << entry.first << ": " << PathOf(open.node.get())
        << (open.node->deleted ? " (deleted)" : "") << " access 0x" << std::hex << open.access
        << std::dec << "\n";
  }
  return out.str();
}

// ---- control API ---------------------------------------------------------------------
void MakeKey(HKEY root, const std::string& key) { MakeKeyNode(root, key); }

void SetValue(HKEY root, const std::string& key, const std::string& name, DWORD type,
              const std::string& data) {
  if (NodePtr node = MakeKeyNode(root, key)) Store(node.get(), name, type, data);
}

void SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& text) {
  SetValue(root, key, name, REG_SZ, text + std::string(1, '\0'));
}

bool KeyExists(HKEY root, const std::string& key) { return FindKey(root, key) != nullptr; }

bool ValueExists(HKEY root, const std::string& key, const std::string& name) {
  return FindValue(root, key, name) != nullptr;
}

std::string ValueData(HKEY root, const std::string& key, const std::string& name) {
  const RegValue* value = FindValue(root, key, name);
  return value ? value->data : std::string();
}

DWORD ValueType(HKEY root, const std::string& key, const std::string& name) {
  const RegValue* value = FindValue(root, key, name);
  return value ? value->type : REG_NONE;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& key) {
  std::vector<std::string> names;
  if (NodePtr node = FindKey(root, key))
    for (const auto& entry : node->values) names.push_back(entry.second.name);
  return names;
}

std::vector<std::string> SubKeys(HKEY root, const std::string& key) {
  std::vector<std::string> names;
  if (NodePtr node = FindKey(root, key))
    for (const auto& entry : node->subkeys) names.push_back(entry.second->name);
  return names;
}

void DenyAccess(HKEY root, const std::string& key, REGSAM denied) {
  if (NodePtr node = MakeKeyNode(root, key)) node->denied = denied;
}

}  // namespace sim

// ---- the Win32 calls ---------------------------------------------------------------------
using sim::Handle;
using sim::NodePtr;

extern "C" {

LONG WINAPI RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired,
                          PHKEY phkResult) {
  std::string sub = lpSubKey ? lpSubKey : "";
  if (LONG status = sim::EnterStatus("RegOpenKeyExA", sim::Subject(hKey, sub), 0, samDesired))
    return status;
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  Handle parent;
  if (!sim::Resolve(hKey, &parent)) return ERROR_INVALID_HANDLE;
  *phkResult = nullptr;
  if (parent.node->deleted) return ERROR_KEY_DELETED;
  // A predefined root opened with no sub-key is answered with itself.
  if (sub.empty() && parent.root) {
    *phkResult = hKey;
    return ERROR_SUCCESS;
  }
  std::vector<std::string> names;
  if (LONG status = sim::SplitPath(lpSubKey, &names)) return status;
  NodePtr node = sim::Walk(parent.node, names);
  if (!node) return ERROR_FILE_NOT_FOUND;
  if (node->denied & samDesired) return ERROR_ACCESS_DENIED;
  *phkResult = sim::OpenHandle(node, samDesired);
  return ERROR_SUCCESS;
}

LONG WINAPI RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired,
                            LPSECURITY_ATTRIBUTES, PHKEY phkResult, LPDWORD lpdwDisposition) {
  std::string sub = lpSubKey ? lpSubKey : "";
  if (LONG status = sim::EnterStatus("RegCreateKeyExA", sim::Subject(hKey, sub), 0, samDesired))
    return status;
  if (!phkResult) return ERROR_INVALID_PARAMETER;
  // The rights of the parent handle do not matter, only those on the keys.
  Handle parent;
  if (!sim::Resolve(hKey, &parent)) return ERROR_INVALID_HANDLE;
  *phkResult = nullptr;
  if (parent.node->deleted) return ERROR_KEY_DELETED;
  std::vector<std::string> names;
  if (LONG status = sim::SplitPath(lpSubKey, &names)) return status;
  NodePtr node = parent.node;
  bool created = false;
  for (const std::string& name : names) {  // intermediate keys too, one by one
    NodePtr child = sim::Child(node, name);
    created = !child;
    if (created) {
      if (node->denied & KEY_CREATE_SUB_KEY) return ERROR_ACCESS_DENIED;
      child = sim::AddChild(node, name);
    }
    node = child;
  }
  if (node->denied & samDesired) return ERROR_ACCESS_DENIED;
  *phkResult = sim::OpenHandle(node, samDesired);
  if (lpdwDisposition) *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                             LPBYTE lpData, LPDWORD lpcbData) {
  if (LONG status = sim::EnterStatus("RegQueryValueExA", sim::ValueSubject(hKey, lpValueName),
                                     lpcbData ? *lpcbData : 0))
    return status;
  if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
  Handle key;
  if (LONG status = sim::Usable(hKey, KEY_QUERY_VALUE, &key)) return status;
  auto it = key.node->values.find(sim::Upper(lpValueName ? lpValueName : ""));
  if (it == key.node->values.end()) {
    if (!lpData && lpcbData) *lpcbData = 0;
    return ERROR_FILE_NOT_FOUND;
  }
  const sim::RegValue& value = it->second;
  DWORD size = static_cast<DWORD>(value.data.size());
  if (lpType) *lpType = value.type;
  if (lpData) {
    if (*lpcbData < size) {
      *lpcbData = size;
      return ERROR_MORE_DATA;
    }
    std::memcpy(lpData, value.data.data(), size);
    // A string stored without its NUL gets one when the buffer has room for
    // it; the size returned still leaves it out. An empty one gets nothing.
    if (sim::IsString(value.type) && *lpcbData > size && size > 0 && value.data.back() != '\0')
      lpData[size] = 0;
  }
  if (lpcbData) *lpcbData = size;
  return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType,
                           const BYTE* lpData, DWORD cbData) {
  if (LONG status = sim::EnterStatus("RegSetValueExA", sim::ValueSubject(hKey, lpValueName),
                                     cbData, dwType))
    return status;
  Handle key;
  if (LONG status = sim::Usable(hKey, KEY_SET_VALUE, &key)) return status;
  if (!lpData && cbData) return sim::kErrorNoAccess;
  std::string data(reinterpret_cast<const char*>(lpData), lpData ? cbData : 0);
  // A string whose size leaves out its NUL gets the NUL back when the byte
  // after the counted ones is a NUL. Windows NT reads that byte past the
  // caller's count, and so does this.
  if (sim::IsString(dwType) && cbData && lpData[cbData - 1] != 0 && lpData[cbData] == 0)
    data.push_back('\0');
  sim::Store(key.node.get(), lpValueName ? lpValueName : "", dwType, data);
  return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  if (LONG status = sim::EnterStatus("RegDeleteValueA", sim::ValueSubject(hKey, lpValueName)))
    return status;
  Handle key;
  if (LONG status = sim::Usable(hKey, KEY_SET_VALUE, &key)) return status;
  return key.node->values.erase(sim::Upper(lpValueName ? lpValueName : "")) ? ERROR_SUCCESS
                                                                            : ERROR_FILE_NOT_FOUND;
}

LONG WINAPI RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName,
                          LPDWORD lpReserved, LPSTR lpClass, LPDWORD lpcchClass,
                          PFILETIME lpftLastWriteTime) {
  if (LONG status = sim::EnterStatus("RegEnumKeyExA", sim::KeyPath(hKey),
                                     lpcchName ? *lpcchName : 0, dwIndex))
    return status;
  if (!lpName || !lpcchName || lpReserved) return ERROR_INVALID_PARAMETER;
  Handle key;
  if (LONG status = sim::Usable(hKey, KEY_ENUMERATE_SUB_KEYS, &key)) return status;
  // Sub-keys are kept in the order of their upper-cased names, which is the
  // order Windows lists them in.
  if (dwIndex >= key.node->subkeys.size()) return ERROR_NO_MORE_ITEMS;
  const std::string& name = std::next(key.node->subkeys.begin(), dwIndex)->second->name;
  if (name.size() >= *lpcchName) return ERROR_MORE_DATA;  // the NUL needs room too
  std::memcpy(lpName, name.c_str(), name.size() + 1);
  *lpcchName = static_cast<DWORD>(name.size());
  if (lpClass && lpcchClass && *lpcchClass > 0) lpClass[0] = '\0';
  if (lpcchClass) *lpcchClass = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = sim::Now();
  return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  std::string sub = lpSubKey ? lpSubKey : "";
  if (LONG status = sim::EnterStatus("RegDeleteKeyA", sim::Subject(hKey, sub))) return status;
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  Handle parent;
  if (!sim::Resolve(hKey, &parent)) return ERROR_INVALID_HANDLE;
  if (parent.node->deleted) return ERROR_KEY_DELETED;
  std::vector<std::string> names;
  if (LONG status = sim::SplitPath(lpSubKey, &names)) return status;
  NodePtr node = sim::Walk(parent.node, names);
  if (!node) return ERROR_FILE_NOT_FOUND;
  // Windows NT refuses a key with sub-keys (STATUS_CANNOT_DELETE) as it
  // refuses a hive root or a key the caller may not delete.
  if (!node->parent || (node->denied & DELETE) || !node->subkeys.empty())
    return ERROR_ACCESS_DENIED;
  sim::Remove(node);
  return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY hKey) {
  if (LONG status = sim::EnterStatus("RegCloseKey", sim::KeyPath(hKey))) return status;
  sim::Machine& m = sim::M();
  if (m.roots.count(hKey)) return ERROR_SUCCESS;
  return m.keys.erase(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS WINAPI SHDeleteKeyA(HKEY hkey, LPCSTR pszSubKey) {
  std::string sub = pszSubKey ? pszSubKey : "";
  if (LONG status = sim::EnterStatus("SHDeleteKeyA", sim::Subject(hkey, sub))) return status;
  Handle parent;
  if (!sim::Resolve(hkey, &parent)) return ERROR_INVALID_HANDLE;
  if (parent.node->deleted) return ERROR_KEY_DELETED;
  std::vector<std::string> names;
  if (LONG status = sim::SplitPath(pszSubKey, &names)) return status;
  NodePtr node = sim::Walk(parent.node, names);
  if (!node) return ERROR_FILE_NOT_FOUND;
  return sim::DeleteTree(node);
}

}  // extern "C"
