// Audio out on the default SDL device: one fixed device format and a small
// mixer of three voices: the looping tone, the beep, and the wave player's
// queue of blocks, each block handed back to the window once it has been
// sent to the device.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <optional>
#include <vector>

#include "plataforma/janela/sdl.h"
#include "plataforma/wav.h"

namespace plataforma::sdl {
namespace {

// A key press must silence the device within 10 ms, the limit below which
// an interruption is heard as instant. Whatever the device has already taken
// plays out, so its buffer has to be well under that: 128 frames at 22050 Hz
// is 5.8 ms, leaving room for the event to reach the player.
constexpr int kTaxa = 22050;
constexpr Uint16 kQuadrosPorBuffer = 128;
constexpr size_t kSegundosMaximos = 300;

// When the device last took block samples, and when it first took a buffer
// without any after that (steady clock, ns); see LerMarcasDosBlocos.
std::atomic<int64_t> ultimoComBlocos{0}, primeiroSemBlocos{0};

int64_t AgoraNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

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

// One block of the wave player in device samples. `entregue` is set once its
// last sample has gone to the device and its MM_WOM_DONE has been posted.
struct Bloco {
  std::vector<int16_t> amostras;
  size_t posicao = 0;
  uintptr_t id = 0;
  bool entregue = false;
};

// Samples and how they are laid out, for SDL's converter.
struct Pcm {
  SDL_AudioFormat formato = 0;
  int canais = 0, taxa = 0;
  const uint8_t* dados = nullptr;
  size_t bytes = 0;
};

// Whole frames of PCM in a format a device plays; nothing otherwise.
std::optional<Pcm> ParaPcm(const FormatoPcm& f, const uint8_t* dados, size_t bytes) {
  if (!FormatoTocavel(f)) return std::nullopt;
  Pcm pcm;
  pcm.formato = f.bits == 8 ? AUDIO_U8 : f.bits == 16 ? AUDIO_S16LSB : AUDIO_S32LSB;
  pcm.canais = f.canais;
  pcm.taxa = int(f.taxa);
  const size_t quadro = size_t(f.canais) * f.bits / 8;
  pcm.dados = dados;
  pcm.bytes = bytes / quadro * quadro;
  return pcm;
}

// The image's samples in the device format; empty when SDL cannot convert
// it. SDL's resampler keeps back the last few hundred frames even when
// flushed, so silence is fed after the sound until all of it has come out,
// and the result is cut to the sound's own length.
std::vector<int16_t> ParaDispositivo(const Pcm& wav) {
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
  explicit SaidaAudioSdl(Janela& janela) : janela_(janela) {}

  ~SaidaAudioSdl() override {
    if (dispositivo_ != 0) SDL_CloseAudioDevice(dispositivo_);
    if (iniciado_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

  void TocarEmLaco(const uint8_t* imagem, size_t bytes) override {
    if (!Abrir()) return;
    ImagemWav wav;
    std::optional<Pcm> pcm;
    if (LerImagemWav(imagem, bytes, wav)) pcm = ParaPcm(wav.formato, wav.amostras, wav.bytes);
    Trocar(laco_, pcm ? ParaDispositivo(*pcm) : std::vector<int16_t>{}, true);
  }

  void PararLaco() override {
    if (dispositivo_ != 0) Trocar(laco_, {}, true);
  }

  void Bipe() override {
    if (Abrir()) Trocar(bipe_, SomDoBipe(), false);
  }

  // SDL mixes every voice into one device, so it is never busy.
  int AbrirBlocos(const FormatoPcm& formato) override {
    blocosAbertos_ = false;
    if (!Abrir()) return kAudioSemDispositivo;
    if (!FormatoTocavel(formato)) return kAudioFormatoRecusado;
    formatoBlocos_ = formato;
    blocosAbertos_ = true;
    return 0;
  }

  // The block is converted here, on the caller's thread and outside the lock,
  // so the callback only copies samples. Blocks of one format follow each
  // other in the queue with nothing between them.
  bool EscreverBloco(const uint8_t* dados, size_t bytes, uintptr_t id) override {
    if (!blocosAbertos_) return false;
    std::optional<Pcm> pcm = ParaPcm(formatoBlocos_, dados, bytes);
    Bloco bloco;
    if (pcm && pcm->bytes > 0) bloco.amostras = ParaDispositivo(*pcm);
    bloco.id = id;
    std::deque<Bloco> gastos;
    SDL_LockAudioDevice(dispositivo_);
    while (!blocos_.empty() && blocos_.front().entregue) {
      gastos.push_back(std::move(blocos_.front()));
      blocos_.pop_front();
    }
    blocos_.push_back(std::move(bloco));
    SDL_UnlockAudioDevice(dispositivo_);
    return true;
  }

  // The queue is emptied under the lock, so the next buffer the device takes
  // is already silent; the blocks are handed back afterwards, in order.
  void ReiniciarBlocos() override {
    std::deque<Bloco> retirados = Retirar();
    for (const Bloco& b : retirados)
      if (!b.entregue) Devolver(b.id);
  }

  void FecharBlocos() override {
    Retirar();
    blocosAbertos_ = false;
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

  std::deque<Bloco> Retirar() {
    std::deque<Bloco> retirados;
    if (dispositivo_ == 0) return retirados;
    SDL_LockAudioDevice(dispositivo_);
    retirados.swap(blocos_);
    SDL_UnlockAudioDevice(dispositivo_);
    return retirados;
  }

  void Devolver(uintptr_t id) {
    Mensagem m;
    m.codigo = MM_WOM_DONE;
    m.lparam = id;
    janela_.PostarMensagem(m);
  }

  // Copies queued block samples into the mix; a block whose last sample has
  // gone out is handed back at once, from the audio thread.
  bool MisturarBlocos(int32_t* soma, int quadros) {
    bool levou = false;
    for (Bloco& b : blocos_) {
      if (quadros == 0) break;
      if (b.entregue) continue;
      const int n = int(std::min(size_t(quadros), b.amostras.size() - b.posicao));
      const int16_t* origem = b.amostras.data() + b.posicao;
      for (int i = 0; i < n; ++i) soma[i] += origem[i];
      soma += n;
      quadros -= n;
      b.posicao += size_t(n);
      levou |= n > 0;
      if (b.posicao == b.amostras.size()) {
        b.entregue = true;
        Devolver(b.id);
      }
    }
    return levou;
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
    bool levouBlocos = false;
    while (quadros > 0) {
      int32_t soma[kQuadrosPorBuffer] = {};
      int n = std::min<int>(quadros, kQuadrosPorBuffer);
      self->laco_.Misturar(soma, n);
      self->bipe_.Misturar(soma, n);
      levouBlocos |= self->MisturarBlocos(soma, n);
      for (int i = 0; i < n; ++i) saida[i] = int16_t(std::clamp<int32_t>(soma[i], INT16_MIN, INT16_MAX));
      saida += n;
      quadros -= n;
    }
    if (levouBlocos) {
      ultimoComBlocos.store(AgoraNs(), std::memory_order_relaxed);
      primeiroSemBlocos.store(0, std::memory_order_relaxed);
    } else if (primeiroSemBlocos.load(std::memory_order_relaxed) == 0) {
      primeiroSemBlocos.store(AgoraNs(), std::memory_order_relaxed);
    }
  }

  Janela& janela_;
  SDL_AudioDeviceID dispositivo_ = 0;
  bool iniciado_ = false, falhou_ = false;
  Voz laco_, bipe_;
  // The block voice: its format, and the queue the callback plays from.
  FormatoPcm formatoBlocos_;
  bool blocosAbertos_ = false;
  std::deque<Bloco> blocos_;
};

}  // namespace

std::unique_ptr<SaidaAudio> CriarSaidaAudio(Janela& janela) { return std::make_unique<SaidaAudioSdl>(janela); }

MarcasDosBlocos LerMarcasDosBlocos() {
  return {ultimoComBlocos.load(std::memory_order_relaxed), primeiroSemBlocos.load(std::memory_order_relaxed)};
}

}  // namespace plataforma::sdl
