// Audio out on the default SDL device: one fixed device format and a small
// mixer of voices, each a buffer of device samples played once or in a loop.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "plataforma/janela/sdl.h"

namespace plataforma::sdl {
namespace {

// Small device buffers: a key press must be able to cut a sound short
// within about ten milliseconds.
constexpr int kTaxa = 22050;
constexpr Uint16 kQuadrosPorBuffer = 256;
constexpr size_t kSegundosMaximos = 300;

// A buffer of device samples with a play position.
struct Voz {
  std::vector<int16_t> amostras;
  size_t posicao = 0;
  bool emLaco = false;

  void Misturar(int32_t* soma, int quadros) {
    for (int i = 0; i < quadros && !amostras.empty(); ++i) {
      if (posicao == amostras.size()) {
        if (!emLaco) return;
        posicao = 0;
      }
      soma[i] += amostras[posicao++];
    }
  }
};

// Where a WAV image's samples are and how they are laid out.
struct ImagemWav {
  SDL_AudioFormat formato = 0;
  int canais = 0, taxa = 0;
  const uint8_t* dados = nullptr;
  size_t bytes = 0;
};

uint32_t Ler32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Ler16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

SDL_AudioFormat FormatoSdl(uint16_t etiqueta, uint16_t bits) {
  if (etiqueta == 1 && bits == 8) return AUDIO_U8;
  if (etiqueta == 1 && bits == 16) return AUDIO_S16LSB;
  if (etiqueta == 1 && bits == 32) return AUDIO_S32LSB;
  if (etiqueta == 3 && bits == 32) return AUDIO_F32LSB;
  return 0;
}

// Walks the RIFF chunks to "fmt " and "data" without reading past the image;
// a "data" chunk that claims more than the image holds is cut to what is there.
std::optional<ImagemWav> LerWav(const uint8_t* imagem, size_t bytes) {
  if (!imagem || bytes < 12 || std::memcmp(imagem, "RIFF", 4) != 0 || std::memcmp(imagem + 8, "WAVE", 4) != 0)
    return std::nullopt;
  ImagemWav wav;
  size_t posicao = 12;
  while (bytes - posicao >= 8) {
    const uint8_t* pedaco = imagem + posicao;
    const size_t tamanho = Ler32(pedaco + 4), resto = bytes - posicao - 8;
    if (std::memcmp(pedaco, "fmt ", 4) == 0) {
      if (tamanho < 16 || resto < 16) return std::nullopt;
      wav.formato = FormatoSdl(Ler16(pedaco + 8), Ler16(pedaco + 22));
      wav.canais = Ler16(pedaco + 10);
      wav.taxa = int(Ler32(pedaco + 12));
    } else if (std::memcmp(pedaco, "data", 4) == 0) {
      // SDL's resampler overflows on absurd rates; real sounds lie well inside.
      if (wav.formato == 0 || wav.canais < 1 || wav.canais > 8 || wav.taxa < 1000 || wav.taxa > 192000)
        return std::nullopt;
      const size_t quadro = size_t(wav.canais) * SDL_AUDIO_BITSIZE(wav.formato) / 8;
      wav.dados = pedaco + 8;
      wav.bytes = std::min(tamanho, resto) / quadro * quadro;
      return wav;
    }
    if (tamanho >= resto) return std::nullopt;
    posicao += 8 + tamanho + (tamanho & 1);  // chunks are padded to even sizes
  }
  return std::nullopt;
}

// The image's samples in the device format; empty when SDL cannot convert
// it. SDL's resampler keeps back the last few hundred frames even when
// flushed, so silence is fed after the sound until all of it has come out,
// and the result is cut to the sound's own length.
std::vector<int16_t> ParaDispositivo(const ImagemWav& wav) {
  SDL_AudioStream* fluxo =
      SDL_NewAudioStream(wav.formato, Uint8(wav.canais), wav.taxa, AUDIO_S16SYS, 1, kTaxa);
  if (!fluxo) return {};
  const size_t quadro = size_t(wav.canais) * SDL_AUDIO_BITSIZE(wav.formato) / 8;
  // Longer sounds are cut, which keeps every size within SDL's int lengths.
  const size_t quadros = std::min(wav.bytes / quadro, size_t(wav.taxa) * kSegundosMaximos);
  const size_t bytes = quadros * quadro;
  const size_t esperados = quadros * kTaxa / size_t(wav.taxa);
  const int bytesEsperados = int(esperados * sizeof(int16_t));
  const std::vector<uint8_t> silencio(1024 * quadro, wav.formato == AUDIO_U8 ? 0x80 : 0);
  bool ok = SDL_AudioStreamPut(fluxo, wav.dados, int(bytes)) == 0;
  for (int i = 0; ok && i < 64 && SDL_AudioStreamAvailable(fluxo) < bytesEsperados; ++i)
    ok = SDL_AudioStreamPut(fluxo, silencio.data(), int(silencio.size())) == 0;
  std::vector<int16_t> saida(ok ? esperados : 0);
  int obtidos = ok ? SDL_AudioStreamGet(fluxo, saida.data(), bytesEsperados) : 0;
  saida.resize(obtidos > 0 ? size_t(obtidos) / sizeof(int16_t) : 0);
  SDL_FreeAudioStream(fluxo);
  return saida;
}

// A soft 880 Hz beep of 120 ms with 10 ms ramps, so it starts and ends
// without clicks.
std::vector<int16_t> SomDoBipe() {
  constexpr int kQuadros = kTaxa * 120 / 1000, kRampa = kTaxa / 100;
  constexpr double kPi = 3.14159265358979323846;
  std::vector<int16_t> som(kQuadros);
  for (int i = 0; i < kQuadros; ++i) {
    double envelope = std::min({1.0, double(i) / kRampa, double(kQuadros - 1 - i) / kRampa});
    som[i] = int16_t(std::lround(6000 * envelope * std::sin(2 * kPi * 880 * i / kTaxa)));
  }
  return som;
}

class SaidaAudioSdl final : public SaidaAudio {
 public:
  ~SaidaAudioSdl() override {
    if (dispositivo_ != 0) SDL_CloseAudioDevice(dispositivo_);
    if (iniciado_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  void TocarEmLaco(const uint8_t* imagem, size_t bytes) override {
    if (!Abrir()) return;
    std::optional<ImagemWav> wav = LerWav(imagem, bytes);
    Trocar(laco_, wav ? ParaDispositivo(*wav) : std::vector<int16_t>{}, true);
  }

  void PararLaco() override {
    if (dispositivo_ != 0) Trocar(laco_, {}, true);
  }

  void Bipe() override {
    if (Abrir()) Trocar(bipe_, SomDoBipe(), false);
  }

 private:
  // Opens the device on first use; after a failure, stays silent for good.
  bool Abrir() {
    if (dispositivo_ != 0) return true;
    if (falhou_) return false;
    iniciado_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (iniciado_) {
      SDL_AudioSpec pedido{};
      pedido.freq = kTaxa;
      pedido.format = AUDIO_S16SYS;
      pedido.channels = 1;
      pedido.samples = kQuadrosPorBuffer;
      pedido.callback = &SaidaAudioSdl::Preencher;
      pedido.userdata = this;
      dispositivo_ = SDL_OpenAudioDevice(nullptr, 0, &pedido, nullptr, 0);
    }
    if (dispositivo_ == 0) {
      std::fprintf(stderr, "mirtalan: sem saída de som (%s); o programa continua em silêncio\n",
                   SDL_GetError());
      falhou_ = true;
      return false;
    }
    SDL_PauseAudioDevice(dispositivo_, 0);
    return true;
  }

  // Hands a new buffer to a voice while the callback is held off; the old
  // buffer is freed after the lock is released, keeping the lock short.
  void Trocar(Voz& voz, std::vector<int16_t> amostras, bool emLaco) {
    SDL_LockAudioDevice(dispositivo_);
    voz.amostras.swap(amostras);
    voz.posicao = 0;
    voz.emLaco = emLaco;
    SDL_UnlockAudioDevice(dispositivo_);
  }

  static void SDLCALL Preencher(void* dono, Uint8* fluxo, int bytes) {
    auto* self = static_cast<SaidaAudioSdl*>(dono);
    auto* saida = reinterpret_cast<int16_t*>(fluxo);
    int quadros = bytes / int(sizeof(int16_t));
    while (quadros > 0) {
      int32_t soma[kQuadrosPorBuffer] = {};
      int n = std::min<int>(quadros, kQuadrosPorBuffer);
      self->laco_.Misturar(soma, n);
      self->bipe_.Misturar(soma, n);
      for (int i = 0; i < n; ++i) saida[i] = int16_t(std::clamp<int32_t>(soma[i], INT16_MIN, INT16_MAX));
      saida += n;
      quadros -= n;
    }
  }

  SDL_AudioDeviceID dispositivo_ = 0;
  bool iniciado_ = false, falhou_ = false;
  Voz laco_, bipe_;
};

}  // namespace

std::unique_ptr<SaidaAudio> CriarSaidaAudio() { return std::make_unique<SaidaAudioSdl>(); }

}  // namespace plataforma::sdl
