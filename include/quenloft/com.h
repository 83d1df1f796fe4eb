// The host helper: references, objects and string objects in C++ without
// a raw AddRef or Release. Header-only, C++17; the library uses it too.
//   quenloft/com_ptr.h        ComPtr<T>: one reference, each transfer named
//   quenloft/com_object.h     ComObject and OwnerHeldComObject: QueryInterface,
//                             AddRef and Release for objects of your own
//   quenloft/string_object.h  Text, ReadString, WriteString: string objects
#ifndef QUENLOFT_COM_H
#define QUENLOFT_COM_H

#include "quenloft/com_object.h"
#include "quenloft/com_ptr.h"
#include "quenloft/string_object.h"

#endif  // QUENLOFT_COM_H
