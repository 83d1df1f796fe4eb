// Interface IDs: 16 bytes in the GUID memory layout, compared as raw bytes.
#ifndef QUENLOFT_GUID_H
#define QUENLOFT_GUID_H

#include <string.h>

#include "quenloft/config.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TplIID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} TplIID;

#ifdef __cplusplus
}  // extern "C"

inline bool operator==(const TplIID& a, const TplIID& b) {
  return memcmp(&a, &b, sizeof(TplIID)) == 0;
}
inline bool operator!=(const TplIID& a, const TplIID& b) { return !(a == b); }
#endif

#endif  // QUENLOFT_GUID_H
