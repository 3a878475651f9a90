// The platform layer: window with its message queue, clock and audio out.
// Two implementations fill these interfaces: "janela" (SDL2, the real window)
// and "nenhuma" (headless, virtual clock, scripted keys). The console and
// everything above it see only these types, never SDL's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace plataforma {

// Message numbers keep the values the console's window procedure knows.
enum : uint32_t {
  WM_DESTROY = 0x0002,
  WM_SETFOCUS = 0x0007,
  WM_KILLFOCUS = 0x0008,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_SYSKEYDOWN = 0x0104,
  WM_SYSKEYUP = 0x0105,
  WM_MOUSEMOVE = 0x0200,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  MM_WOM_DONE = 957,
  WM_USER = 0x0400,
};

// Virtual-key codes of the keys the console tells apart.
enum : uint32_t {
  VK_CANCEL = 3,
  VK_BACK = 8,
  VK_TAB = 9,
  VK_RETURN = 13,
  VK_SHIFT = 16,
  VK_CONTROL = 17,
  VK_MENU = 18,
  VK_PAUSE = 19,
  VK_ESCAPE = 27,
  VK_SPACE = 32,
  VK_PRIOR = 33,
  VK_NEXT = 34,
  VK_END = 35,
  VK_HOME = 36,
  VK_LEFT = 37,
  VK_UP = 38,
  VK_RIGHT = 39,
  VK_DOWN = 40,
  VK_INSERT = 45,
  VK_DELETE = 46,
  VK_F1 = 112,
  VK_F12 = 123,
  VK_OEM = 0xDF,  // any other key that types a character
};

// One message of the queue. Key messages carry the modifier state as it was
// when the key event happened (what GetKeyState would answer while handling it).
struct Mensagem {
  uint32_t codigo = 0;
  uint32_t tecla = 0;     // virtual key (WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN)
  uint8_t caractere = 0;  // Windows-1252 byte (WM_CHAR)
  bool ctrl = false, alt = false, shift = false;
  int x = 0, y = 0;       // pointer position in client pixels (mouse messages)
  uintptr_t wparam = 0, lparam = 0;
};

struct Cor {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Cor&) const = default;
};

// What the console asks for when it creates its window.
struct PedidoJanela {
  std::string titulo;
  std::string fonte;        // face name, matched as a monospace face
  int larguraLetra = 0;     // cell width in pixels
  int alturaLetra = 0;      // cell height in pixels
  bool maximizada = true;   // text-sized at the top-left corner of the screen
  int colunas = 80, linhas = 25;
};

// Font metrics of the created window, as the console uses them.
struct Metricas {
  int larguraCelula = 8;
  int alturaLinha = 16;
  int ascendente = 12;
  int saliencia = 0;
  int larguraJanela = 640;  // outer pixel size of the window
  int alturaJanela = 400;
};

class Janela {
 public:
  virtual ~Janela() = default;

  // Size of the desktop not covered by panels, for the default font size.
  virtual void AreaDeTrabalho(int& largura, int& altura) = 0;
  virtual Metricas Criar(const PedidoJanela& pedido) = 0;
  virtual void Destruir() = 0;
  virtual bool Criada() const = 0;
  virtual void DefinirTitulo(std::string_view titulo) = 0;
  // True when this window has the keyboard focus and is the active window.
  virtual bool Ativa() const = 0;
  // True when the window's bottom edge is more than margem pixels above the
  // bottom of the screen.
  virtual bool LongeDoRodape(int margem) const = 0;

  // A run of cells in one colour pair, at pixel (x, y); one call per run.
  virtual void DesenharTexto(int x, int y, const uint8_t* bytes, int n, Cor frente, Cor fundo) = 0;
  // Moves the pixel rectangle up by dy pixels and fills the uncovered strip.
  virtual void RolarParaCima(int x, int y, int largura, int altura, int dy, Cor fundo) = 0;
  virtual void MostrarCaret(int x, int y, int largura, int altura) = 0;
  virtual void EsconderCaret() = 0;

  // PeekMessage with removal: false when the queue is empty.
  virtual bool BuscarMensagem(Mensagem& m) = 0;
  // WaitMessage: returns when a message may be waiting. esperandoTecla is
  // true only while the console blocks for a key, which is when the headless
  // implementation hands out the next scripted key.
  virtual void EsperarMensagem(bool esperandoTecla) = 0;
  // PostMessage; safe to call from the audio thread.
  virtual void PostarMensagem(const Mensagem& m) = 0;
};

class Relogio {
 public:
  virtual ~Relogio() = default;
  virtual void Dormir(uint32_t ms) = 0;
  // Milliseconds since the platform was created.
  virtual uint64_t AgoraMs() const = 0;
  // Milliseconds since midnight, for the random seed.
  virtual uint64_t HoraDoDiaMs() const = 0;
};

struct FormatoPcm {
  uint32_t taxa = 11025;
  uint16_t bits = 8;
  uint16_t canais = 1;
};

// Error codes of AbrirBlocos, with the values the wave player reports.
enum : int {
  kAudioOcupado = 4,          // the device is in use: try again later
  kAudioSemDispositivo = 6,   // no sound device: play nothing
  kAudioFormatoRecusado = 32,  // a format no device plays (from a malformed file)
};

// PCM of 8, 16 or 32 bits, 1 to 8 channels, 1000 to 192000 samples a second:
// what a sound device is asked to play; anything else comes from a malformed
// file and is refused.
bool FormatoTocavel(const FormatoPcm& formato);

class SaidaAudio {
 public:
  virtual ~SaidaAudio() = default;

  // The block voice of the wave player (waveOut). AbrirBlocos opens it in a
  // PCM format: 0, or one of the error codes above. EscreverBloco queues a
  // copy of the bytes; once the block has been played, or handed back by
  // ReiniciarBlocos, MM_WOM_DONE is posted to the window with lparam = id.
  // ReiniciarBlocos stops at once and hands back every queued block before
  // it returns. FecharBlocos closes the voice without handing anything back.
  virtual int AbrirBlocos(const FormatoPcm& formato) = 0;
  virtual bool EscreverBloco(const uint8_t* bytes, size_t n, uintptr_t id) = 0;
  virtual void ReiniciarBlocos() = 0;
  virtual void FecharBlocos() = 0;

  // Plays a WAV image in a loop until PararLaco (sndPlaySound with
  // SND_ASYNC | SND_MEMORY | SND_LOOP). The image is copied.
  virtual void TocarEmLaco(const uint8_t* imagem, size_t bytes) = 0;
  virtual void PararLaco() = 0;
  // The system's short warning sound (MessageBeep).
  virtual void Bipe() = 0;
};

// The three layers of one implementation, created together.
class Plataforma {
 public:
  virtual ~Plataforma() = default;
  virtual Janela& janela() = 0;
  virtual Relogio& relogio() = 0;
  virtual SaidaAudio& audio() = 0;
  virtual const char* nome() const = 0;
};

// Chooses the implementation by TALVEN_TELA ("janela", the default, or
// "nenhuma"). Returns null with a message on standard error when the name is
// unknown or the implementation cannot start.
std::unique_ptr<Plataforma> CriarPlataforma();

std::unique_ptr<Plataforma> CriarPlataformaSdl();
std::unique_ptr<Plataforma> CriarPlataformaNenhuma();

}  // namespace plataforma

namespace plataforma {

// Ending the program from anywhere: unwinds to main, so every module's
// shut-down step runs in reverse start-up order on the way out.
struct FimDoPrograma {
  int codigo;
};
[[noreturn]] inline void EncerrarPrograma(int codigo) { throw FimDoPrograma{codigo}; }

}  // namespace plataforma
