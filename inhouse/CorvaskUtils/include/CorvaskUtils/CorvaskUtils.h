// CorvaskUtils: paths, folders, files, file-name hashing, unique temporary
// folders, quoting and timing for the product family.
//
// Paths are 8-bit text. Both "/" and "\" are accepted as separators; they
// count as the same character wherever paths are compared or hashed, and
// "\" becomes "/" right before the operating system is called. Yes or
// success is a nonzero int, no or failure 0.
#ifndef CORVASKUTILS_CORVASKUTILS_H
#define CORVASKUTILS_CORVASKUTILS_H

#include <stdint.h>

#include <string>

#if defined(_WIN32)
#define CVU_API
#else
#define CVU_API __attribute__((visibility("default")))
#endif

// Splits a path into its folder (drive and directories, with the trailing
// separator as written), its file name without extension and its
// extension (from the last dot of the last component, dot included). Any
// out-pointer may be null.
CVU_API void SplitPathName(const char* path, std::string* folder, std::string* name,
                           std::string* extension);
CVU_API std::string GetSplitDirName(const char* path);   // folder part
CVU_API std::string GetSplitFileName(const char* path);  // name without extension
CVU_API std::string GetSplitExtName(const char* path);   // extension with its dot

// Nonzero when a regular file (FileExist) or a folder (FolderExist) is at
// the path. A trailing separator is allowed on folders.
CVU_API int FileExist(const char* path);
CVU_API int FolderExist(const char* path);

// Nonzero for "/...", "\...", "\\server..." and "C:\..." / "C:/...".
CVU_API int IsFullPathName(const char* path);

// Creates the folder with its missing parents; nonzero when it exists
// afterwards.
CVU_API int PrepareFolder(const char* folder);

// Makes the missing parent folders of a file and answers whether the file
// could be created or written there. Leaves no new file behind.
CVU_API int SafeCreateFile(const char* path);

// Nonzero when a file name (without folder) has the form of the hidden
// temporary files that the family's whole-file writes fill beside their
// targets (".NAME.quenloft-tmp-" and 8 letters or digits). A process
// killed during a write leaves one behind; a host may remove such files
// from a folder it writes before it writes again.
CVU_API int IsLeftoverTempFileName(const char* name);

// Clears read-only and similar attributes (on Linux: makes the file
// writable by its owner). Nonzero on success.
CVU_API int ChangeFileAttributeToNormal(const char* path);

// Case-blind, separator-blind 32-bit hash: two paths that are equal
// ignoring ASCII case and separator direction have equal codes.
CVU_API uint32_t FileNameHashCode(const char* path);

// True when a and b are equal ignoring ASCII case, "/" and "\" counting as
// the same character.
CVU_API bool PathEqualNoCase(const char* a, const char* b);
// True when path begins with prefix under the same rule.
CVU_API bool PathStartsWithNoCase(const char* path, const char* prefix);

// The path without a leading folder (compared as PathStartsWithNoCase);
// the path unchanged when it does not begin with the folder.
CVU_API std::string ExcludeFolder(const char* path, const char* folder);

// Creates a new folder named prefix + a random suffix (at least `length`
// characters) in the system's temporary folder, mode 0700, and returns
// its full path with a trailing separator; empty on failure.
CVU_API std::string CreateUniqueTempFolder(const char* prefix, int length);
// Removes the folder and everything below it. Nonzero on success.
CVU_API int RemoveUniqueTempFolder(const char* path);

// The text without one enclosing pair of quotes. With null opening and
// closing strings: a pair of double quotes or of apostrophes. With explicit
// strings: those. A text not enclosed by the pair is returned unchanged.
CVU_API std::string DeQuote(const char* text, const char* opening, const char* closing);

// ASCII-only case folding; other bytes are kept.
CVU_API std::string ToLowerAscii(const char* text);
CVU_API int CompareNoCaseAscii(const char* a, const char* b);

// Collects labelled timings and free lines. A process has at most one
// current recorder; without one nothing is recorded.
class CVU_API CCheckTimeRecorder {
 public:
  CCheckTimeRecorder();
  ~CCheckTimeRecorder();
  CCheckTimeRecorder(const CCheckTimeRecorder&) = delete;
  CCheckTimeRecorder& operator=(const CCheckTimeRecorder&) = delete;

  // The current recorder, or null. Thread-safe.
  static CCheckTimeRecorder* GetCurrentTimeRecorder();
  // Makes recorder (may be null) the current one; returns the previous.
  static CCheckTimeRecorder* SetCurrentTimeRecorder(CCheckTimeRecorder* recorder);

  // Appends one line. Thread-safe.
  void Record(const char* text);
  // Appends "<label>: <milliseconds> ms" for a finished timer.
  void RecordTime(const char* label, double milliseconds);
  // All lines so far, each ending in "\n".
  std::string GetText() const;
  void Clear();

 private:
  struct State;
  State* state_;
};

// Scoped timer: records its label and elapsed time in the recorder that is
// current when it ends, if any.
class CVU_API CCheckTime {
 public:
  explicit CCheckTime(const char* label);
  ~CCheckTime();
  CCheckTime(const CCheckTime&) = delete;
  CCheckTime& operator=(const CCheckTime&) = delete;

 private:
  std::string label_;
  int64_t start_ns_;
};

#endif  // CORVASKUTILS_CORVASKUTILS_H
