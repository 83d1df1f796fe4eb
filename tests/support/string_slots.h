// The slots of a host's string object that belong to the host alone (4 and
// 7-20): the library never calls them, so each one hands its number to the
// host's HostOnlySlot. No test framework in here: the fuzzers use it too.
#ifndef QUENLOFT_TESTS_SUPPORT_STRING_SLOTS_H
#define QUENLOFT_TESTS_SUPPORT_STRING_SLOTS_H

#include <CorvaskObjs/CvoString.h>

#include <cstdint>

namespace quenloft::testing {

template <class Host>
class HostOnlyStringSlots : public ICvoString {
 public:
  int32_t CVO_CALL AppendText(const char*) override { return Slot(4); }
  int32_t CVO_CALL SetBytes(const char*, int32_t) override { return Slot(7); }
  int32_t CVO_CALL AppendBytes(const char*, int32_t) override { return Slot(8); }
  int32_t CVO_CALL Compare(const char*, int32_t*) override { return Slot(9); }
  int32_t CVO_CALL CompareNoCase(const char*, int32_t*) override { return Slot(10); }
  int32_t CVO_CALL MakeLower() override { return Slot(11); }
  int32_t CVO_CALL MakeUpper() override { return Slot(12); }
  int32_t CVO_CALL Trim() override { return Slot(13); }
  int32_t CVO_CALL Find(const char*, int32_t, int32_t*) override { return Slot(14); }
  int32_t CVO_CALL Left(int32_t) override { return Slot(15); }
  int32_t CVO_CALL Mid(int32_t, int32_t) override { return Slot(16); }
  int32_t CVO_CALL Replace(const char*, const char*, int32_t*) override { return Slot(17); }
  int32_t CVO_CALL Clone(ICvoString**) override { return Slot(18); }
  int32_t CVO_CALL GetBytes(const char**, int32_t*) override { return Slot(19); }
  int32_t CVO_CALL IsEqual(ICvoString*, int32_t*) override { return Slot(20); }

 private:
  int32_t Slot(int slot) { return static_cast<Host*>(this)->HostOnlySlot(slot); }
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_SUPPORT_STRING_SLOTS_H
