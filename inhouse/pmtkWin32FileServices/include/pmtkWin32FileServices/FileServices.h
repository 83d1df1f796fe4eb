// File copy and delete for the product family.
#ifndef PMTKWIN32FILESERVICES_FILESERVICES_H
#define PMTKWIN32FILESERVICES_FILESERVICES_H

#if defined(_WIN32)
#define PMTK_API
#else
#define PMTK_API __attribute__((visibility("default")))
#endif

extern "C" {
// Copies the bytes of source over destination (the destination's folder
// must exist). The write is atomic: a failed copy leaves an existing
// destination intact. flags is reserved and must be 0. Nonzero on success.
PMTK_API int pmtkCopyFile(const char* source, const char* destination, int flags);
// Deletes the file. Nonzero on success.
PMTK_API int pmtkDeleteFile(const char* path);
}

#endif  // PMTKWIN32FILESERVICES_FILESERVICES_H
