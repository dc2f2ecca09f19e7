#include "link/gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace kaviro {

namespace {

size_t Utf8SequenceLength(unsigned char lead) {
  return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// Converts `in`; a sequence the target cannot hold (or a broken one) becomes `replacement`.
std::string Convert(std::string_view in, const char* to, const char* from, std::string_view replacement,
                    bool fromUtf8) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  char buffer[256];
  char* src = const_cast<char*>(in.data());
  size_t left = in.size();
  while (left > 0) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    const size_t rc = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      const size_t skip = fromUtf8 ? std::min(left, Utf8SequenceLength(static_cast<unsigned char>(*src))) : 1;
      out.append(replacement);
      src += skip;
      left -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string Utf8ToGbk(std::string_view utf8) { return Convert(utf8, "GBK", "UTF-8", "?", true); }

std::string GbkToUtf8(std::string_view gbk) { return Convert(gbk, "UTF-8", "GBK", "\xEF\xBF\xBD", false); }

}  // namespace kaviro
