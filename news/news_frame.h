// The helper's answer on its pipe: one frame, then the end of the stream.
//
//   "VNF1"            4 bytes, the frame's kind and version
//   outcome           1 byte: 'D' a document follows, 'F' the fetch failed
//   charset length    1 byte, at most kMaxCharsetLength
//   charset           that many bytes of a charset name
//   body length       4 bytes, big-endian, at most kMaxNewsBodyBytes
//   body              that many bytes
//
// A failure frame has no charset and no body. The window's process trusts nothing it reads
// back: anything else, a byte too many or too few included, is no answer.
#ifndef VOLTARIK_NEWS_NEWS_FRAME_H_
#define VOLTARIK_NEWS_NEWS_FRAME_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "news/http_document.h"

namespace voltarik {

inline constexpr std::size_t kNewsFrameHeaderBytes = 10;
inline constexpr std::size_t kMaxNewsFrameBytes =
    kNewsFrameHeaderBytes + kMaxCharsetLength + kMaxNewsBodyBytes;

// The frame for a fetch's outcome: a document, or nothing for a failure. A document whose body or
// charset is over the limits is sent as a failure, its charset name left out.
std::string EncodeNewsFrame(const std::optional<HttpDocument>& document);

// The frame's outcome; nothing for a failure frame and for bytes that are no frame at all.
std::optional<HttpDocument> DecodeNewsFrame(std::string_view frame);

}  // namespace voltarik

#endif  // VOLTARIK_NEWS_NEWS_FRAME_H_
