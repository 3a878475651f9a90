// The wave player.
#include "tradutor/wave/wave.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "console/console.h"
#include "plataforma/arquivos.h"
#include "plataforma/diario.h"
#include "plataforma/wav.h"

namespace wave {

namespace {

void Escrever16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}

void Escrever32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

constexpr int kTentativasAbrir = 100;
constexpr size_t kBlocoMinimo = 256;

struct Fechador {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using Arquivo = std::unique_ptr<std::FILE, Fechador>;

std::string NomeBase(std::string_view caminho) {
  size_t barra = caminho.find_last_of("/\\");
  return std::string(barra == std::string_view::npos ? caminho : caminho.substr(barra + 1));
}

}  // namespace

void WavBuildHeader(uint8_t* image, int32_t dataSize, int32_t rate, int32_t bits, int32_t channels) {
  std::memcpy(image, "RIFF", 4);
  Escrever32(image + 4, uint32_t(dataSize) + 36);
  std::memcpy(image + 8, "WAVEfmt ", 8);
  Escrever32(image + 16, 16);
  Escrever16(image + 20, 1);
  Escrever16(image + 22, uint16_t(channels));
  Escrever32(image + 24, uint32_t(rate));
  Escrever32(image + 28, uint32_t(rate * channels * (bits / 8)));
  Escrever16(image + 32, 1);  // left as in the template; the player never reads it
  Escrever16(image + 34, uint16_t(bits));
  std::memcpy(image + 36, "data", 4);
  Escrever32(image + 40, uint32_t(dataSize));
}


WavePlayer::WavePlayer(console::Console& console) : console_(console), leitura_(kTamanhoBloco) {
  for (auto& b : blocos_) b.resize(kTamanhoBloco);
}

// The device is closed without a reset: whatever is queued is dropped.
WavePlayer::~WavePlayer() {
  if (aberto_) console_.plataforma().audio().FecharBlocos();
  console_.SetWomDoneHandler(nullptr, false);
}

bool WavePlayer::ParadoPorTecla() { return StopOnKey && console_.KeyWaiting(); }

int WavePlayer::AbrirDispositivo() {
  if (aberto_) return 0;
  console_.SetWomDoneHandler([this](uintptr_t, uintptr_t bloco) { WavOnBlockDone(bloco); }, true);
  plataforma::FormatoPcm formato{taxa_, bits_, canais_};
  int r = console_.plataforma().audio().AbrirBlocos(formato);
  for (int tentativa = 1; r == plataforma::kAudioOcupado && tentativa < kTentativasAbrir; ++tentativa) {
    console_.PauseMs(100);
    r = console_.plataforma().audio().AbrirBlocos(formato);
  }
  aberto_ = r == 0;
  return r;
}

int WavePlayer::WavSetFormat(uint32_t rate, uint16_t bits, uint16_t channels) {
  if (rate != taxa_ || bits != bits_ || channels != canais_) {
    // Drain the queue first; the idle poll then closes the device.
    while (WavIsPlaying()) console_.WaitMessage();
    taxa_ = rate;
    bits_ = bits;
    canais_ = channels;
  }
  return AbrirDispositivo();
}

int WavePlayer::WavPlayPcm(const uint8_t* data, size_t length, uint32_t rate, uint16_t bits, uint16_t channels) {
  if (FastPlayback) rate = uint32_t(std::min<uint64_t>(uint64_t(rate) * 3 / 2, UINT32_MAX));
  bool cortar = CutSpeech && channels == 1;
  if (int r = WavSetFormat(rate, cortar && bits == 16 ? uint16_t(8) : bits, channels)) return r;
  while (length > 0) {
    // Waiting for a free block: a key wakes the wait as soon as a finished
    // block does, where a fixed sleep would let speech go on.
    for (;;) {
      if (ParadoPorTecla()) {
        WavStop();
        return 0;
      }
      console_.PumpAllMessages();
      if (emVoo_ < MaxQueuedBlocks) break;
      console_.WaitMessage();
    }
    size_t n = std::min(length, kTamanhoBloco);
    size_t m = n;
    const uint8_t* bloco = data;
    if (cortar) {
      // The cut works in place: on our read buffer, never on the caller's data.
      if (data != leitura_.data()) std::copy_n(data, n, leitura_.begin());
      m = WavCutPeriods(leitura_.data(), n, bits, rate);
      bloco = leitura_.data();
    }
    WavQueueBlock(bloco, m);
    data += n;
    length -= n;
  }
  return 0;
}

bool WavePlayer::WavQueueBlock(const uint8_t* data, size_t len) {
  for (int volta = 0; emVoo_ >= MaxQueuedBlocks && volta < 40; ++volta) {
    console_.PumpAllMessages();
    console_.PauseMs(50);
  }
  if (emVoo_ >= MaxQueuedBlocks || len == 0) return false;
  ++emVoo_;
  indiceBloco_ = indiceBloco_ % std::clamp(MaxQueuedBlocks, 1, kBlocos) + 1;
  std::vector<uint8_t>& bloco = blocos_[size_t(indiceBloco_ - 1)];
  len = std::min(len, kTamanhoBloco);
  size_t enviado = std::max(len, kBlocoMinimo);
  std::copy_n(data, len, bloco.begin());
  std::fill(bloco.begin() + long(len), bloco.begin() + long(enviado), bits_ == 8 ? 128 : 0);
  // Every partial 8-bit block ends on the silence level.
  if (bits_ == 8 && canais_ == 1 && len != kTamanhoBloco) bloco[len - 1] = 128;
  if (!console_.plataforma().audio().EscreverBloco(bloco.data(), enviado, uintptr_t(indiceBloco_))) {
    --emVoo_;
    return false;
  }
  return true;
}

void WavePlayer::WavOnBlockDone(uintptr_t) {
  if (emVoo_ > 0) --emVoo_;
}

bool WavePlayer::WavIsPlaying() {
  console_.PumpAllMessages();
  if (ParadoPorTecla() || emVoo_ == 0) WavStop();
  return emVoo_ != 0;
}

void WavePlayer::WavStop() {
  if (!aberto_) return;
  if (emVoo_ > 0) {
    plataforma::diario::Registrar("som-parado");
    console_.plataforma().audio().ReiniciarBlocos();
  }
  console_.PumpAllMessages();
  console_.plataforma().audio().FecharBlocos();
  aberto_ = false;
  console_.PumpAllMessages();
}

void WavePlayer::WavPlayMemory(const uint8_t* image, size_t size) {
  plataforma::ImagemWav wav;
  if (!plataforma::LerImagemWav(image, size, wav)) return;
  const plataforma::FormatoPcm& f = wav.formato;
  plataforma::diario::Registrar("som", "imagem " + std::to_string(wav.bytes) + " " + std::to_string(f.taxa) + "/" +
                                           std::to_string(f.bits) + "/" + std::to_string(f.canais));
  WavPlayPcm(wav.amostras, wav.bytes, f.taxa, f.bits, f.canais);
}

int WavePlayer::WavPlayFile(std::string_view path) {
  if (ParadoPorTecla()) return 0;
  Arquivo arquivo(plataforma::AbrirArquivo(path, "rb"));
  if (!arquivo) {
    plataforma::diario::Registrar("som-falta", NomeBase(path));
    return -1;
  }
  std::FILE* f = arquivo.get();
  plataforma::diario::Registrar("som", "arquivo " + NomeBase(path));
  plataforma::FormatoPcm formato;
  std::optional<uint32_t> tamanho = plataforma::AcharDadosWav(f, &formato);
  if (!tamanho) return -1;
  uint32_t restante = *tamanho;
  int resultado = 0;
  while (restante > 0) {
    resultado = -1;
    // The middle case keeps the last block of a file from being shorter than 257 bytes.
    size_t n = restante <= kTamanhoBloco ? restante : restante <= kTamanhoBloco + 255 ? 65278 : kTamanhoBloco;
    size_t obtidos = std::fread(leitura_.data(), 1, n, f);
    if (obtidos == 0) break;
    resultado = WavPlayPcm(leitura_.data(), obtidos, formato.taxa, formato.bits, formato.canais);
    // A data chunk that promises more than the file holds: what is there plays.
    if (resultado == 0 && obtidos < n) resultado = -1;
    if (resultado != 0 || ParadoPorTecla()) break;
    restante -= uint32_t(n);
  }
  arquivo.reset();
  if (!NoWait)
    while (WavIsPlaying()) console_.WaitMessage();
  return resultado;
}

size_t WavePlayer::WavCutPeriods(uint8_t* block, size_t n, int bits, uint32_t rate) {
  if (bits == 16) {
    for (size_t i = 0; i < n / 2; ++i) block[i] = uint8_t(block[2 * i + 1] ^ 0x80);
    n /= 2;
  }
  if (n < 1000) return n;
  const bool baixa = rate == 11025;
  const size_t inicio = baixa ? 200 : 800, periodo = baixa ? 80 : 320, largura = baixa ? 50 : 200;
  // Position of the largest sample in [de, ate], the first one on ties; `anterior` when none exceeds 0.
  auto pico = [&](size_t de, size_t ate, size_t anterior) {
    size_t melhor = anterior;
    uint8_t maior = 0;
    for (size_t i = de; i <= ate && i < n; ++i)
      if (block[i] > maior) {
        maior = block[i];
        melhor = i;
      }
    return melhor;
  };
  size_t p = pico(inicio, inicio + periodo + largura, 0);
  size_t w = p;
  while (n > 2 * (periodo + largura) + p) {
    size_t q1 = pico(p + periodo, p + periodo + largura, p);
    size_t q2 = pico(q1 + periodo, q1 + periodo + largura, q1);
    if (q2 <= q1) break;  // no later peak: nothing more can be dropped
    std::memmove(block + w, block + q1, q2 - q1 + 1);
    w += q2 - q1 + 1;
    p = q2;
  }
  while (w < n && p < n && std::abs(int(block[w]) - 128) > 20) block[w++] = block[p++];
  return w;
}

}  // namespace wave
