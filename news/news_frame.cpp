#include "news/news_frame.h"

#include <cstdint>

namespace voltarik {
namespace {

constexpr std::string_view kMagic = "VNF1";
constexpr char kDocument = 'D';
constexpr char kFailure = 'F';

}  // namespace

std::string EncodeNewsFrame(const std::optional<HttpDocument>& document) {
  const bool sendable = document && document->body.size() <= kMaxNewsBodyBytes &&
                        (document->charset.empty() || IsCharsetName(document->charset));
  const std::string_view charset = sendable ? document->charset : std::string_view();
  const std::string_view body = sendable ? document->body : std::string_view();
  std::string frame(kMagic);
  frame += sendable ? kDocument : kFailure;
  frame += static_cast<char>(charset.size());
  frame += charset;
  const auto length = static_cast<std::uint32_t>(body.size());
  for (int shift = 24; shift >= 0; shift -= 8) frame += static_cast<char>(length >> shift);
  frame += body;
  return frame;
}

std::optional<HttpDocument> DecodeNewsFrame(std::string_view frame) {
  if (frame.size() < kNewsFrameHeaderBytes || !frame.starts_with(kMagic)) {
    return std::nullopt;
  }
  const char outcome = frame[4];
  const auto charset_length = static_cast<unsigned char>(frame[5]);
  if (frame.size() < kNewsFrameHeaderBytes + charset_length) return std::nullopt;
  const std::string_view charset = frame.substr(6, charset_length);
  std::uint32_t body_length = 0;
  for (std::size_t i = 6 + charset_length; i < kNewsFrameHeaderBytes + charset_length; ++i) {
    body_length = (body_length << 8) | static_cast<unsigned char>(frame[i]);
  }
  const std::string_view body = frame.substr(kNewsFrameHeaderBytes + charset_length);
  if (body.size() != body_length || body_length > kMaxNewsBodyBytes) return std::nullopt;
  if (!charset.empty() && !IsCharsetName(charset)) return std::nullopt;
  if (outcome != kDocument) return std::nullopt;  // a failure, or no outcome this frame knows
  return HttpDocument{std::string(body), std::string(charset)};
}

}  // namespace voltarik
