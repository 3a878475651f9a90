// Readers of RIFF/WAVE images and files.
#include "plataforma/wav.h"

#include <sys/types.h>

#include <algorithm>
#include <cctype>

namespace plataforma {

namespace {

uint16_t Ler16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Ler32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

bool Marca(const uint8_t* p, const char* tag) {
  for (int i = 0; i < 4; ++i)
    if (std::tolower(p[i]) != std::tolower(static_cast<unsigned char>(tag[i]))) return false;
  return true;
}

// Channels, rate and bits of a fmt body of at least 16 bytes.
FormatoPcm Formato(const uint8_t* fmt) { return FormatoPcm{Ler32(fmt + 4), Ler16(fmt + 14), Ler16(fmt + 2)}; }

}  // namespace

bool LerImagemWav(const uint8_t* imagem, size_t size, ImagemWav& wav) {
  if (size < 20 || !Marca(imagem, "RIFF") || !Marca(imagem + 12, "fmt ")) return false;
  uint32_t tamanhoFmt = Ler32(imagem + 16);
  if (tamanhoFmt < 16 || tamanhoFmt > size - 20) return false;
  wav.formato = Formato(imagem + 20);
  size_t p = 20 + size_t(tamanhoFmt);
  while (size - p >= 8) {
    uint32_t tamanho = Ler32(imagem + p + 4);
    if (Marca(imagem + p, "data")) {
      wav.amostras = imagem + p + 8;
      wav.bytes = std::min<size_t>(tamanho, size - p - 8);
      return true;
    }
    if (tamanho > size - p - 8) return false;
    p += 8 + size_t(tamanho);
  }
  return false;
}

std::optional<uint32_t> AcharDadosWav(std::FILE* f, FormatoPcm* formato) {
  uint8_t cabecalho[16];
  if (std::fread(cabecalho, 1, 12, f) != 12 || !Marca(cabecalho, "RIFF")) return std::nullopt;
  if (std::fread(cabecalho, 1, 8, f) != 8 || !Marca(cabecalho, "fmt ")) return std::nullopt;
  uint32_t pular = Ler32(cabecalho + 4);
  if (formato) {
    if (pular < 16 || std::fread(cabecalho, 1, 16, f) != 16) return std::nullopt;
    *formato = Formato(cabecalho);
    pular -= 16;
  }
  // A size past the end of the file only makes the next header read fail;
  // each turn moves at least 8 bytes on, so the walk always ends.
  for (;;) {
    if (pular > 0 && fseeko(f, static_cast<off_t>(pular), SEEK_CUR) != 0) return std::nullopt;
    if (std::fread(cabecalho, 1, 8, f) != 8) return std::nullopt;
    if (Marca(cabecalho, "data")) return Ler32(cabecalho + 4);
    pular = Ler32(cabecalho + 4);
  }
}

}  // namespace plataforma
