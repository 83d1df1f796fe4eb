// ICvoString: the product family's reference-counted string object.
//
// Slot order is a binary contract between separately built modules and is
// only ever appended to. Hosts and libraries make string objects with
// CreateCvoStringInstance, pass them into operations that fill them, read
// them with GetText and release them exactly once.
//
// Text is 8-bit and zero-terminated (UTF-8 on Linux). Counts are bytes.
#ifndef CORVASKOBJS_CVOSTRING_H
#define CORVASKOBJS_CVOSTRING_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define CVO_CALL __stdcall
#else
#define CVO_CALL
#endif

#if defined(_WIN32)
#define CVO_API
#else
#define CVO_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Same memory layout as every interface ID of the family.
typedef struct CvoIID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} CvoIID;

#ifdef __cplusplus
}  // extern "C"

// {6F1C2A40-0B7E-4C1D-9A52-3E4D5C6B7A80}
inline constexpr CvoIID IID_ICvoString = {
    0x6F1C2A40, 0x0B7E, 0x4C1D, {0x9A, 0x52, 0x3E, 0x4D, 0x5C, 0x6B, 0x7A, 0x80}};

struct ICvoString {
  // 0-2: identity and lifetime. QueryInterface answers IID_ICvoString only.
  virtual int32_t CVO_CALL QueryInterface(const CvoIID& iid, void** out) = 0;
  virtual int32_t CVO_CALL AddRef() = 0;
  virtual int32_t CVO_CALL Release() = 0;
  // 3: replaces the content; null or "" clears it. 0.
  virtual int32_t CVO_CALL SetText(const char* text) = 0;
  // 4: appends text (null appends nothing). 0.
  virtual int32_t CVO_CALL AppendText(const char* text) = 0;
  // 5: the length in bytes; 0 exactly when the string is empty.
  virtual int32_t CVO_CALL GetLength() = 0;
  // 6: clears the content. 0.
  virtual int32_t CVO_CALL Empty() = 0;
  // 7: replaces the content with `length` bytes (may hold zero bytes). 0,
  // or 1 for a null pointer with a nonzero length or a negative length.
  virtual int32_t CVO_CALL SetBytes(const char* bytes, int32_t length) = 0;
  // 8: appends `length` bytes. Same results as SetBytes.
  virtual int32_t CVO_CALL AppendBytes(const char* bytes, int32_t length) = 0;
  // 9: *result < 0, 0 or > 0 as the content sorts before, equal to or after
  // text (bytewise). 1 for a null out-pointer, else 0.
  virtual int32_t CVO_CALL Compare(const char* text, int32_t* result) = 0;
  // 10: as Compare, folding ASCII letters.
  virtual int32_t CVO_CALL CompareNoCase(const char* text, int32_t* result) = 0;
  // 11, 12: fold ASCII letters in place. 0.
  virtual int32_t CVO_CALL MakeLower() = 0;
  virtual int32_t CVO_CALL MakeUpper() = 0;
  // 13: removes white space at both ends. 0.
  virtual int32_t CVO_CALL Trim() = 0;
  // 14: *position of the first occurrence of text at or after start, or -1.
  // 1 for a null argument, else 0.
  virtual int32_t CVO_CALL Find(const char* text, int32_t start, int32_t* position) = 0;
  // 15: keeps the first `count` bytes. 0.
  virtual int32_t CVO_CALL Left(int32_t count) = 0;
  // 16: keeps `count` bytes from `start` (a negative count: to the end). 0.
  virtual int32_t CVO_CALL Mid(int32_t start, int32_t count) = 0;
  // 17: replaces every occurrence of find (non-overlapping, left to right);
  // *count (may be null) receives the number replaced. 1 for an empty find.
  virtual int32_t CVO_CALL Replace(const char* find, const char* replacement,
                                   int32_t* count) = 0;
  // 18: a new string object with the same content, one reference. 1 for a
  // null out-pointer.
  virtual int32_t CVO_CALL Clone(ICvoString** out) = 0;
  // 19: the content's bytes without copying (valid until the next change),
  // and their count. 1 for a null out-pointer.
  virtual int32_t CVO_CALL GetBytes(const char** bytes, int32_t* length) = 0;
  // 20: *equal = 1 when other holds the same bytes, else 0. 1 for a null
  // argument.
  virtual int32_t CVO_CALL IsEqual(ICvoString* other, int32_t* equal) = 0;
  // 21: the content as zero-terminated text, without copying; valid until
  // the next change. 1 for a null out-pointer.
  virtual int32_t CVO_CALL GetText(const char** text) = 0;
};

extern "C" {
#endif  // __cplusplus

// Makes an empty string object holding one reference for the caller and
// stores it in *out (null when it cannot be made). Returns 0, or 1 for a
// null out-pointer or an allocation failure.
#ifdef __cplusplus
CVO_API int32_t CVO_CALL CreateCvoStringInstance(ICvoString** out);
}
#else
typedef struct ICvoString ICvoString;
CVO_API int32_t CVO_CALL CreateCvoStringInstance(ICvoString** out);
#endif

#endif  // CORVASKOBJS_CVOSTRING_H
