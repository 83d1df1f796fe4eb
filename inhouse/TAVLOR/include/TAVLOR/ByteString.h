// CByteString: a growable buffer of arbitrary bytes (zero bytes included),
// always followed by one zero byte so that GetContent() is usable as text.
#ifndef TAVLOR_BYTESTRING_H
#define TAVLOR_BYTESTRING_H

#include <stddef.h>

#if defined(_WIN32)
#define TAVLOR_API
#else
#define TAVLOR_API __attribute__((visibility("default")))
#endif

class TAVLOR_API CByteString {
 public:
  CByteString();
  CByteString(const void* bytes, size_t count);
  CByteString(const CByteString& other);
  CByteString(CByteString&& other) noexcept;
  CByteString& operator=(const CByteString& other);
  CByteString& operator=(CByteString&& other) noexcept;
  CByteString& operator=(const char* text);  // null assigns empty
  CByteString& operator+=(const char* text); // null appends nothing
  ~CByteString();

  // Reads the whole file. Returns 1 when it was read (an empty file
  // included), 0 when it does not exist or cannot be read; the content is
  // then left unchanged, so a failed read is never mistaken for an empty
  // file.
  int LoadFromFile(const char* path);
  // Writes the whole content atomically: a temporary file in the target's
  // folder renamed over the target, keeping an existing target's
  // permissions. Returns 1 on success; on failure the old file is intact
  // and no temporary file is left. Missing parent folders are not created.
  int SaveToFile(const char* path) const;

  const char* GetContent() const;  // never null; zero-terminated
  size_t GetLength() const;
  bool IsEmpty() const;
  // True when the content holds a zero byte before its end.
  bool HasZeroByte() const;

  void Assign(const void* bytes, size_t count);
  void Append(const void* bytes, size_t count);
  void Empty();
  void Reserve(size_t capacity);
  // When set, the buffer grows by doubling its capacity; otherwise it grows
  // to the size needed.
  void SetGrowByDoubleSize(bool on = true);

 private:
  void Grow(size_t needed);

  char* data_;
  size_t length_;
  size_t capacity_;
  bool grow_double_;
};

#endif  // TAVLOR_BYTESTRING_H
