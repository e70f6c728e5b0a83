// Internal state of the simulated machine, shared by the sim's source files.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/sim/Sim.h"
#include "platform/win32.h"

namespace sim {

// Case-insensitive, case-preserving names: maps are keyed by the upper-cased
// name, nodes keep the name as created.
std::string Upper(const std::string& s);

// ---- file contents ------------------------------------------------------------
// Contents as runs of bytes, so that a 5 GiB file of one byte value, or one
// overwritten with zeros in 10000-byte writes, costs a few map entries.
class FileData {
 public:
  uint64_t Size() const { return size_; }
  size_t RunCount() const { return runs_.size(); }  // for tests of the storage itself
  void Resize(uint64_t size);  // new bytes are zero
  void Write(uint64_t offset, const uint8_t* bytes, uint64_t count);
  void Fill(uint64_t offset, uint64_t count, uint8_t byte);
  void Read(uint64_t offset, uint8_t* out, uint64_t count) const;
  bool AllAre(uint64_t from, uint8_t byte) const;

 private:
  struct Run {
    uint64_t length;
    bool uniform;
    uint8_t byte;        // when uniform
    std::string bytes;   // when not
  };
  void Split(uint64_t offset);  // make a run start at offset (offset < size_)
  void Put(uint64_t offset, Run run);
  std::map<uint64_t, Run> runs_;  // keyed by start offset; they tile [0, size_)
  uint64_t size_ = 0;
};

struct OpenFile;

// A file's identity: hard links share it; open handles refer to it.
struct FileObject {
  FileData data;
  std::vector<OpenFile*> opens;
};

struct Node {
  std::string name;
  DWORD attributes = 0;  // without FILE_ATTRIBUTE_DIRECTORY / REPARSE_POINT
  bool directory = false;
  bool link = false;        // a reparse point
  std::string linkTarget;   // absolute Windows path
  Node* parent = nullptr;
  std::map<std::string, std::unique_ptr<Node>> children;  // by Upper(name)
  std::shared_ptr<FileObject> file;                       // files only
  int openFinds = 0;
  bool deleted = false;  // unlinked while a find handle still refers to it
};

struct OpenFile {
  std::shared_ptr<FileObject> file;
  std::string path;
  DWORD access = 0;
  DWORD share = 0;
  uint64_t pointer = 0;
  bool deleteOnClose = false;
  bool directory = false;  // a folder opened with FILE_FLAG_BACKUP_SEMANTICS
};

struct FindState {
  std::string dirPath;    // the folder listed, resolved
  std::string pattern;    // the last component: "*.*", "*.tmp", ...
  std::vector<std::string> pending;  // names still to deliver, in order
};

// ---- registry -------------------------------------------------------------------
struct RegValue {
  std::string name;
  DWORD type = REG_NONE;
  std::string data;
};

struct RegNode {
  std::string name;
  RegNode* parent = nullptr;
  std::map<std::string, std::shared_ptr<RegNode>> subkeys;  // by Upper(name)
  std::map<std::string, RegValue> values;                   // by Upper(name)
  REGSAM denied = 0;
  bool deleted = false;
};

struct OpenKey {
  std::shared_ptr<RegNode> node;
  REGSAM access = 0;
};

// ---- the rest of the machine -------------------------------------------------------
struct CacheEntry {
  uint64_t id;
  std::string url;
  DWORD type;
};

struct CacheWalk {
  uint64_t nextId;  // the walk delivers entries whose id is >= nextId
};

struct Machine {
  // file system
  std::map<char, std::unique_ptr<Node>> drives;  // by upper-case letter
  std::map<HANDLE, std::unique_ptr<OpenFile>> files;
  std::map<HANDLE, std::unique_ptr<FindState>> finds;

  // registry
  std::map<HKEY, std::shared_ptr<RegNode>> roots;
  std::map<HKEY, std::unique_ptr<OpenKey>> keys;

  // system folders
  std::map<int, std::string> specialFolders;
  std::string tempPath;
  std::string windowsDir;

  // Internet cache
  std::vector<CacheEntry> cache;  // ordered by id
  uint64_t nextCacheId = 1;
  std::map<HANDLE, CacheWalk> cacheWalks;
  HRESULT urlHistoryResult = S_OK;
  int comInits = 0;
  int urlHistoryClears = 0;

  // clipboard
  bool clipboardHeldByOther = false;
  bool clipboardOpen = false;
  HWND clipboardOwner = nullptr;
  bool clipboardHasData = false;
  std::string clipboardText;
  std::map<HGLOBAL, std::string> globals;  // GlobalAlloc blocks

  // process
  std::string commandLine;
  std::string modulePath;
  BOOL exitWindowsResult = FALSE;
  BOOL openTokenResult = TRUE;
  DWORD adjustPrivilegesError = ERROR_SUCCESS;
  std::vector<UINT> exitWindowsRequests;
  bool privilegeAdjusted = false;
  std::set<HANDLE> tokens;
  int64_t now = kDefaultTime;
  std::vector<MessageBoxRecord> messageBoxes;
  int messageBoxAnswer = IDOK;

  // diagnostics
  struct Failure {
    std::string call;
    DWORD status;
    std::string subject;  // upper-cased
    int times;
  };
  std::vector<Failure> failures;
  std::vector<Call> calls;
  bool logging = true;
  DWORD lastError = 0;
  uintptr_t nextHandle = 0x1000;
};

Machine& M();

// A fresh handle value, never INVALID_HANDLE_VALUE or null.
HANDLE NewHandle();

// Records the call and answers whether an injected failure applies; when one
// does, it has set the last error to the injected status.
bool Enter(const char* call, const std::string& subject, uint64_t size = 0, DWORD flags = 0);
// The same, giving the injected status (ERROR_SUCCESS when none) instead.
DWORD EnterStatus(const char* call, const std::string& subject, uint64_t size = 0,
                  DWORD flags = 0);

// Parts of Reset and Dump that belong to each area.
void ResetFiles();
void ResetRegistry();
std::string DumpFiles();
std::string DumpRegistry();

// CloseHandle for handles that are not files or listings (tokens, the
// current-process pseudo-handle); defined in System.cpp.
bool CloseOtherHandle(HANDLE handle);

// The registry path of an open key or root ("HKCU\Software\X"), for subjects.
std::string KeyPath(HKEY key);

}  // namespace sim
