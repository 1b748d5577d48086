// gzip and zlib streams for the tests of compressed news documents.
#ifndef VOLTARIK_TESTS_COMPRESSED_H_
#define VOLTARIK_TESTS_COMPRESSED_H_

#include <zlib.h>

#include <string>

namespace voltarik::testing {

// `window_bits` 31 makes a gzip stream, 15 a zlib one (HTTP's "deflate").
inline std::string Deflated(const std::string& text, int window_bits) {
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

inline std::string Gzip(const std::string& text) { return Deflated(text, 31); }
inline std::string Zlib(const std::string& text) { return Deflated(text, 15); }

}  // namespace voltarik::testing

#endif  // VOLTARIK_TESTS_COMPRESSED_H_
