// Conversions between Windows-1252 and UTF-8 through iconv.
#include "plataforma/texto1252.h"

#include <iconv.h>

namespace plataforma {
namespace {

// Converts one sequence with a fresh conversion state; empty on failure.
std::string Converter(const char* para, const char* de, std::string_view entrada) {
  iconv_t cd = iconv_open(para, de);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  char saida[16];
  char* in = const_cast<char*>(entrada.data());
  size_t inLeft = entrada.size();
  char* out = saida;
  size_t outLeft = sizeof saida;
  size_t r = iconv(cd, &in, &inLeft, &out, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || inLeft != 0) return {};
  return std::string(saida, out);
}

// Length of the UTF-8 sequence that a lead byte announces, 0 for a non-lead.
size_t TamanhoSequencia(unsigned char c) {
  if (c >= 0xC2 && c <= 0xDF) return 2;
  if (c >= 0xE0 && c <= 0xEF) return 3;
  if (c >= 0xF0 && c <= 0xF4) return 4;
  return 0;
}

}  // namespace

std::string Utf8Para1252(std::string_view texto) {
  std::string saida;
  saida.reserve(texto.size());
  for (size_t i = 0; i < texto.size();) {
    unsigned char c = static_cast<unsigned char>(texto[i]);
    size_t n = TamanhoSequencia(c);
    if (n > 0 && i + n <= texto.size()) {
      std::string byte = Converter("CP1252", "UTF-8", texto.substr(i, n));
      if (byte.size() == 1) {
        saida += byte;
        i += n;
        continue;
      }
    }
    saida += static_cast<char>(c);
    ++i;
  }
  return saida;
}

std::string Cp1252ParaUtf8(unsigned char byte) {
  if (byte < 0x80) return std::string(1, static_cast<char>(byte));
  char c = static_cast<char>(byte);
  std::string r = Converter("UTF-8", "CP1252", std::string_view(&c, 1));
  return r.empty() ? std::string("\xEF\xBF\xBD") : r;
}

}  // namespace plataforma
