#include "skin_folder.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "folders.h"
#include "library_location.h"
#include "messages.h"

namespace quenloft_tool {

std::string ResolveSkinFolder(const std::string& given, std::string* error) {
  std::error_code ec;
  if (given.empty()) {
    const std::string stock = StockSkinFolder();
    if (stock.empty() || !std::filesystem::is_directory(stock, ec)) {
      *error = "no skin given and the stock skin is missing (looked in " +
               (stock.empty() ? std::string("the library's folder") : stock) +
               "); name a skin folder: quenloft build SKIN";
      return {};
    }
    return stock;
  }
  if (!std::filesystem::is_directory(WithForwardSlashes(given), ec)) {
    *error = "skin folder not found: " + given;
    return {};
  }
  return AbsoluteFolder(given);
}

SkinListing ListSkinWithWarnings(const std::string& skin, bool follow_links,
                                 const SkinFilter& filter) {
  SkinListing listing = ListSkinFiles(skin, follow_links);
  filter.Apply(&listing);
  for (const std::string& link : listing.outside_links) {
    Warn("skipped " + link + ": the link leads outside the skin (--follow-links copies it)");
  }
  return listing;
}

std::string ShownSkinFolder(const std::string& given, const std::string& resolved) {
  std::string shown = given.empty() ? resolved : given;
  if (!shown.empty() && shown.back() != '/' && shown.back() != '\\') shown += '/';
  return shown;
}

std::string ReadSkinFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace quenloft_tool
