// CTplCachedFile: one file held by the template file cache. Built complete
// before it is published and never changed afterwards, so any thread may
// read it once Find has returned it.
#ifndef QUENLOFT_CACHE_CACHED_FILE_H
#define QUENLOFT_CACHE_CACHED_FILE_H

#include <cstdint>
#include <string>
#include <utility>

#include "TAVLOR/ByteString.h"

namespace quenloft {

class CTplCachedFile {
 public:
  CTplCachedFile(uint32_t code, std::string path, CByteString contents)
      : code_(code), path_(std::move(path)), contents_(std::move(contents)) {}
  virtual ~CTplCachedFile() = default;
  CTplCachedFile(const CTplCachedFile&) = delete;
  CTplCachedFile& operator=(const CTplCachedFile&) = delete;

  uint32_t Code() const { return code_; }            // FileNameHashCode of the path
  const std::string& Path() const { return path_; }  // exactly as it was added
  const CByteString& Contents() const { return contents_; }

 private:
  const uint32_t code_;
  const std::string path_;
  const CByteString contents_;
};

}  // namespace quenloft

#endif  // QUENLOFT_CACHE_CACHED_FILE_H
