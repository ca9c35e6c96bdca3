// Code-page conversion over iconv, with the replacement rules of the
// Windows converters so that both builds give the same bytes for bad input.
#include <errno.h>
#include <iconv.h>

#include <string>

#include "text.h"

namespace {

constexpr unsigned kGbk = 936;
constexpr unsigned kUtf8 = 65001;

std::string IconvName(unsigned codePage) {
  if (codePage == 0 || codePage == kGbk) return "CP936";
  if (codePage == kUtf8) return "UTF-8";
  return "CP" + std::to_string(codePage);
}

class Iconv {
 public:
  Iconv(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool IsContinuation(unsigned char b) { return b >= 0x80 && b <= 0xBF; }

// Bytes one U+FFFD stands for at a bad UTF-8 sequence: a lead byte with the
// continuation bytes that fit it so far (a second byte outside the lead's
// range still goes with it), or a single stray byte.
std::size_t BadUtf8Length(const unsigned char* p, std::size_t left) {
  unsigned char lead = p[0];
  std::size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return 1;
  }
  if (left < 2 || !IsContinuation(p[1])) return 1;
  if (p[1] < lo || p[1] > hi) return 2;
  std::size_t n = 2;
  while (n <= need && n < left && IsContinuation(p[n])) ++n;
  return n;
}

// Decodes to UTF-16 units; false when the code page is unknown.
bool Decode(std::string_view text, unsigned codePage, std::u16string& out) {
  Iconv cd("UTF-16LE", IconvName(codePage));
  if (!cd.ok()) return false;
  const bool utf8 = codePage == kUtf8;
  const bool gbk = codePage == 0 || codePage == kGbk;
  std::string buffer(text.size() * 2 + 4, '\0');
  auto* in = const_cast<char*>(text.data());
  std::size_t inLeft = text.size();
  while (true) {
    char* outp = buffer.data();
    std::size_t outLeft = buffer.size();
    std::size_t r = iconv(cd.get(), &in, &inLeft, &outp, &outLeft);
    const int error = errno;
    for (const char* q = buffer.data(); q + 1 < outp; q += 2) {
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(q[0]) |
                                          (static_cast<unsigned char>(q[1]) << 8)));
    }
    if (r != static_cast<std::size_t>(-1) || inLeft == 0) break;
    if (error == E2BIG) continue;
    const auto* p = reinterpret_cast<const unsigned char*>(in);
    std::size_t skip = 1;
    char16_t replacement = u'?';
    if (utf8) {
      skip = BadUtf8Length(p, inLeft);
      replacement = 0xFFFD;
    } else if (gbk && p[0] == 0xFF) {
      replacement = 0xF8F5;  // the Windows table's single-byte 0xFF
    } else if (gbk && p[0] >= 0x81 && inLeft >= 2) {
      skip = 2;  // an unmapped pair is one character
    }
    out.push_back(replacement);
    in += skip;
    inLeft -= skip;
  }
  return true;
}

// Encodes UTF-16 units; false when the code page is unknown.
bool Encode(const std::u16string& units, unsigned codePage, std::string& out) {
  const bool utf8 = codePage == kUtf8;
  // UCS-2 rejects each surrogate on its own, as the Windows ANSI encoder
  // replaces each half of a pair; UTF-8 takes pairs whole.
  Iconv cd(IconvName(codePage), utf8 ? "UTF-16LE" : "UCS-2LE");
  if (!cd.ok()) return false;
  std::string raw;
  raw.reserve(units.size() * 2);
  for (char16_t u : units) {
    raw.push_back(static_cast<char>(u & 0xFF));
    raw.push_back(static_cast<char>(u >> 8));
  }
  std::string buffer(units.size() * 4 + 4, '\0');
  char* in = raw.data();
  std::size_t inLeft = raw.size();
  while (true) {
    char* outp = buffer.data();
    std::size_t outLeft = buffer.size();
    std::size_t r = iconv(cd.get(), &in, &inLeft, &outp, &outLeft);
    const int error = errno;
    out.append(buffer.data(), static_cast<std::size_t>(outp - buffer.data()));
    if (r != static_cast<std::size_t>(-1) || inLeft < 2) break;
    if (error == E2BIG) continue;
    const char16_t u = static_cast<char16_t>(static_cast<unsigned char>(in[0]) |
                                             (static_cast<unsigned char>(in[1]) << 8));
    if (utf8) {
      out += "\xEF\xBF\xBD";
    } else if (u == 0xF8F5 && (codePage == 0 || codePage == kGbk)) {
      out += '\xFF';
    } else {
      out += '?';
    }
    in += 2;
    inLeft -= 2;
  }
  return true;
}

}  // namespace

Bytes TextToUtf16(std::string_view text, unsigned codePage) {
  std::u16string units;
  if (!Decode(text.substr(0, text.find('\0')), codePage, units)) return Bytes(2, 0);
  Bytes out;
  out.reserve(units.size() * 2 + 2);
  for (char16_t u : units) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

Text Utf16ToText(const Bytes& wide, unsigned codePage) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
    char16_t u = static_cast<char16_t>(wide[i] | (wide[i + 1] << 8));
    if (u == 0) break;
    units.push_back(u);
  }
  Text out;
  if (Encode(units, codePage, out)) return out;
  // Refused: the prepared buffer of spaces, twice the ANSI size.
  Text ansi;
  Encode(units, 0, ansi);
  return Text(2 * (ansi.size() + 1), ' ');
}
