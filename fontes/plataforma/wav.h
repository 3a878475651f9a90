// Bounded readers of RIFF/WAVE data: in-memory images and files. The format
// tag is not looked at: every sound is played as PCM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "plataforma/plataforma.h"

namespace plataforma {

struct ImagemWav {
  FormatoPcm formato;
  const uint8_t* amostras = nullptr;
  size_t bytes = 0;
};

// An image begins with "RIFF" and has "fmt " at offset 12 (either case);
// the chunks after the fmt body are skipped by their size exactly as
// stored, up to the first "data", whose size is cut to what the image holds.
// Nothing is read past `size`.
bool LerImagemWav(const uint8_t* imagem, size_t size, ImagemWav& wav);

// The same walk over an open file: "RIFF", then "fmt " at once, then chunks
// up to "data". On success the file stands at the first sample and the data
// chunk's declared size is returned. When `formato` is asked for, a fmt body
// shorter than 16 bytes is refused.
std::optional<uint32_t> AcharDadosWav(std::FILE* f, FormatoPcm* formato = nullptr);

}  // namespace plataforma
