// Any bytes as the news helper's answer, as the window's process reads them back: no crash, and
// whatever is taken for a document is exactly the frame that document makes, within the limits.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "news/news_frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<voltarik::HttpDocument> document = voltarik::DecodeNewsFrame(bytes);
  if (!document) return 0;
  if (document->body.size() > voltarik::kMaxNewsBodyBytes ||
      document->charset.size() > voltarik::kMaxCharsetLength ||
      voltarik::EncodeNewsFrame(document) != bytes) {
    std::abort();
  }
  return 0;
}
