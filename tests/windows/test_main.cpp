// The tests' main on Windows: the component runtime is initialised on the
// main thread first, as a host does before Transform is used.
#include <objbase.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}
