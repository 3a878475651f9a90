// The real window: an SDL window whose text is drawn into a persistent
// texture, SDL events turned into the messages a Windows window receives,
// and the steady clock.
#include <langinfo.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>

#include "plataforma/janela/sdl.h"
#include "plataforma/texto1252.h"

namespace plataforma {
namespace sdl {
namespace {

// The console pumps after every character it prints; presenting on each pump
// would cost more than the printing, so pumps present at most this often.
constexpr uint64_t kIntervaloApresentacaoMs = 15;
constexpr int kColunasMinimas = 16, kLinhasMinimas = 4;
constexpr Cor kBranco{255, 255, 255};

struct Modificadores {
  bool ctrl = false, alt = false, shift = false;
  // Windows sends WM_SYSKEYDOWN, WM_SYSKEYUP and WM_SYSCHAR for these.
  bool Sistema() const { return alt && !ctrl; }
};

// Right Alt is taken for AltGr, which Windows reports as Ctrl+Alt: the
// Portuguese layouts (ABNT2 among them) type characters such as "/" and "?"
// with it, and those must arrive as WM_CHAR.
Modificadores LerModificadores(Uint16 mod) {
  return {(mod & (KMOD_CTRL | KMOD_RALT)) != 0, (mod & KMOD_ALT) != 0, (mod & KMOD_SHIFT) != 0};
}

// The keypad's keys with Num Lock off are the editing keys printed on them.
uint32_t TeclaDoTecladoNumerico(SDL_Scancode codigo) {
  switch (codigo) {
    case SDL_SCANCODE_KP_0: return VK_INSERT;
    case SDL_SCANCODE_KP_1: return VK_END;
    case SDL_SCANCODE_KP_2: return VK_DOWN;
    case SDL_SCANCODE_KP_3: return VK_NEXT;
    case SDL_SCANCODE_KP_4: return VK_LEFT;
    case SDL_SCANCODE_KP_6: return VK_RIGHT;
    case SDL_SCANCODE_KP_7: return VK_HOME;
    case SDL_SCANCODE_KP_8: return VK_UP;
    case SDL_SCANCODE_KP_9: return VK_PRIOR;
    case SDL_SCANCODE_KP_PERIOD: return VK_DELETE;
    default: return 0;
  }
}

// Virtual key of a key event. Letters and digits go by key code, so the
// keyboard layout decides which letter a key is, as it does on Windows.
uint32_t TeclaVirtual(const SDL_Keysym& k, Modificadores m) {
  const SDL_Keycode s = k.sym;
  if (s >= SDLK_a && s <= SDLK_z) return uint32_t('A' + (s - SDLK_a));
  if (s >= SDLK_0 && s <= SDLK_9) return uint32_t(s);
  if (s >= SDLK_F1 && s <= SDLK_F12) return VK_F1 + uint32_t(s - SDLK_F1);
  if (!(k.mod & KMOD_NUM))
    if (uint32_t tecla = TeclaDoTecladoNumerico(k.scancode)) return tecla;
  switch (s) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
    case SDLK_MODE: return VK_MENU;
    // Ctrl+Pause is the Break key; laptops without Pause give it with Ctrl+Scroll Lock.
    case SDLK_PAUSE: return m.ctrl ? VK_CANCEL : VK_PAUSE;
    case SDLK_SCROLLLOCK: return m.ctrl ? VK_CANCEL : VK_OEM;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    default: return VK_OEM;
  }
}

// The WM_CHAR that Windows sends for keys whose character is a control code;
// SDL sends no text for them. 0 = none.
uint8_t CaractereDeControle(SDL_Keycode s, Modificadores m) {
  if (m.Sistema()) return 0;
  switch (s) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_ESCAPE: return 27;
  }
  if (m.ctrl && !m.alt && s >= SDLK_a && s <= SDLK_z) return uint8_t(1 + (s - SDLK_a));
  return 0;
}

// Length of the UTF-8 sequence a lead byte starts (1 for anything else, so
// a stray byte is consumed alone).
size_t TamanhoUtf8(unsigned char c) {
  if (c >= 0xF0) return 4;
  if (c >= 0xE0) return 3;
  if (c >= 0xC0) return 2;
  return 1;
}

// Typed text as Windows-1252 bytes, one per character; a character the code
// page lacks becomes "?", as in a Windows ANSI window.
std::string CaracteresDigitados(std::string_view utf8) {
  std::string bytes;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = std::min(TamanhoUtf8(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
    std::string convertido = Utf8Para1252(utf8.substr(i, n));
    bytes += n == 1 || convertido.size() == 1 ? convertido[0] : '?';
    i += n;
  }
  return bytes;
}

class JanelaSdl final : public Janela {
 public:
  JanelaSdl() : eventoPostado_(SDL_RegisterEvents(1)) {}
  ~JanelaSdl() override { Destruir(); }

  void AreaDeTrabalho(int& largura, int& altura) override {
    SDL_Rect area;
    if (SDL_GetDisplayUsableBounds(0, &area) == 0 && area.w > 0 && area.h > 0) {
      largura = area.w;
      altura = area.h;
    } else {
      largura = 1024;
      altura = 768;
    }
  }

  Metricas Criar(const PedidoJanela& pedido) override;

  void Destruir() override {
    letras_.Liberar();
    if (rascunho_) SDL_DestroyTexture(rascunho_);
    if (tela_) SDL_DestroyTexture(tela_);
    if (pintor_) SDL_DestroyRenderer(pintor_);
    if (janela_) SDL_DestroyWindow(janela_);
    rascunho_ = tela_ = nullptr;
    pintor_ = nullptr;
    janela_ = nullptr;
    caretVisivel_ = ativa_ = sujo_ = false;
  }

  bool Criada() const override { return janela_ != nullptr; }

  void DefinirTitulo(std::string_view titulo) override {
    if (janela_) SDL_SetWindowTitle(janela_, ParaUtf8(titulo).c_str());
  }

  bool Ativa() const override { return janela_ && ativa_; }

  bool LongeDoRodape(int margem) const override;

  void DesenharTexto(int x, int y, const uint8_t* bytes, int n, Cor frente, Cor fundo) override {
    if (!tela_ || n <= 0) return;
    Preencher({x, y, n * metricas_.larguraCelula, metricas_.alturaLinha}, fundo);
    letras_.Desenhar(pintor_, x, y, bytes, n, frente);
    sujo_ = true;
  }

  void RolarParaCima(int x, int y, int largura, int altura, int dy, Cor fundo) override;

  void MostrarCaret(int x, int y, int largura, int altura) override {
    caret_ = {x, y, largura, altura};
    caretVisivel_ = sujo_ = true;
  }

  void EsconderCaret() override {
    if (caretVisivel_) caretVisivel_ = false, sujo_ = true;
  }

  // A message is handed out before anything is presented: a key that stops
  // a sound must not wait for a frame. A pump ends on the call that finds
  // the queue empty, and that call presents.
  bool BuscarMensagem(Mensagem& m) override {
    SDL_Event e;
    while (fila_.empty() && SDL_PollEvent(&e)) Traduzir(e);
    if (fila_.empty()) {
      if (sujo_ && SDL_GetTicks64() - ultimaApresentacao_ >= kIntervaloApresentacaoMs) Apresentar();
      return false;
    }
    m = fila_.front();
    fila_.pop_front();
    return true;
  }

  // SDL wakes from the wait as soon as an X event or a posted message comes.
  void EsperarMensagem(bool) override {
    ApresentarSeMudou();
    SDL_Event e;
    while (fila_.empty() && SDL_WaitEvent(&e)) {
      Traduzir(e);
      if (fila_.empty()) ApresentarSeMudou();
    }
  }

  // The event carries only what PostMessage carries; SDL's queue is
  // thread-safe and wakes a waiting EsperarMensagem.
  void PostarMensagem(const Mensagem& m) override {
    SDL_Event e{};
    e.type = eventoPostado_;
    e.user.code = static_cast<Sint32>(m.codigo);
    e.user.data1 = reinterpret_cast<void*>(m.wparam);
    e.user.data2 = reinterpret_cast<void*>(m.lparam);
    SDL_PushEvent(&e);
  }

  void ApresentarSeMudou() {
    if (sujo_) Apresentar();
  }

 private:
  SDL_Texture* CriarAlvo(int largura, int altura) {
    SDL_Texture* t =
        SDL_CreateTexture(pintor_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, largura, altura);
    if (t) SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
    return t;
  }

  void Preencher(const SDL_Rect& r, Cor cor) {
    SDL_SetRenderDrawColor(pintor_, cor.r, cor.g, cor.b, 255);
    SDL_RenderFillRect(pintor_, &r);
  }

  bool AbrirPintor(int largura, int altura);
  void Apresentar();
  void Traduzir(const SDL_Event& e);
  void TraduzirTecla(const SDL_KeyboardEvent& e);
  void TraduzirTexto(const char* utf8);
  void TraduzirJanela(const SDL_WindowEvent& e);
  void Enfileirar(uint32_t codigo, int x = 0, int y = 0) {
    Mensagem m;
    m.codigo = codigo;
    m.x = x;
    m.y = y;
    fila_.push_back(m);
  }

  SDL_Window* janela_ = nullptr;
  SDL_Renderer* pintor_ = nullptr;
  SDL_Texture* tela_ = nullptr;      // everything drawn, kept between presents
  SDL_Texture* rascunho_ = nullptr;  // scrolling copies through it: a texture cannot be its own source
  Letras letras_;
  Metricas metricas_;
  std::deque<Mensagem> fila_;
  const Uint32 eventoPostado_;
  Modificadores modificadoresDaTecla_;  // of the last key down, for the text it types
  SDL_Rect caret_{};
  bool caretVisivel_ = false, ativa_ = false, sujo_ = false;
  uint64_t ultimaApresentacao_ = 0;
};

Metricas JanelaSdl::Criar(const PedidoJanela& pedido) {
  Destruir();
  metricas_ = {};
  metricas_.larguraCelula = std::max(1, pedido.larguraLetra);
  metricas_.alturaLinha = std::max(1, pedido.alturaLetra);
  const int largura = pedido.colunas * metricas_.larguraCelula,
            altura = pedido.linhas * metricas_.alturaLinha;
  // Placed at the corner and sized to the text, rather than an OS maximize
  // that would stretch the window past the text.
  const int posicao = pedido.maximizada ? 0 : int(SDL_WINDOWPOS_UNDEFINED);
  janela_ = SDL_CreateWindow(ParaUtf8(pedido.titulo).c_str(), posicao, posicao, largura, altura,
                             SDL_WINDOW_RESIZABLE);
  if (!janela_ || !AbrirPintor(largura, altura)) {
    std::fprintf(stderr, "mirtalan: não foi possível criar a janela: %s\n", SDL_GetError());
    Destruir();
    return metricas_;
  }
  SDL_SetWindowMaximumSize(janela_, largura, altura);
  SDL_SetWindowMinimumSize(janela_, kColunasMinimas * metricas_.larguraCelula,
                           kLinhasMinimas * metricas_.alturaLinha);
  letras_.Carregar(pintor_, pedido.fonte, metricas_.larguraCelula, metricas_.alturaLinha);
  metricas_.ascendente = letras_.ascendente();
  Apresentar();
  SDL_RaiseWindow(janela_);
  int cima = 0, esquerda = 0, baixo = 0, direita = 0;
  SDL_GetWindowBordersSize(janela_, &cima, &esquerda, &baixo, &direita);
  metricas_.larguraJanela = largura + esquerda + direita;
  metricas_.alturaJanela = altura + cima + baixo;
  return metricas_;
}

// Drawn and presented on the CPU by default: the console makes thousands of
// tiny glyph copies, which cost a GL renderer far more per copy wherever GL
// is emulated on the CPU (virtual machines, machines without a GPU driver),
// and starting GL alone takes longer than a text-sized window ever needs.
// SDL_RENDER_DRIVER and SDL_FRAMEBUFFER_ACCELERATION still choose otherwise.
bool JanelaSdl::AbrirPintor(int largura, int altura) {
  SDL_SetHintWithPriority(SDL_HINT_RENDER_DRIVER, "software", SDL_HINT_DEFAULT);
  SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
  pintor_ = SDL_CreateRenderer(janela_, -1, SDL_RENDERER_TARGETTEXTURE);
  if (!pintor_) return false;
  tela_ = CriarAlvo(largura, altura);
  if (!tela_) return false;
  SDL_SetRenderTarget(pintor_, tela_);
  Preencher({0, 0, largura, altura}, Cor{});
  return true;
}

bool JanelaSdl::LongeDoRodape(int margem) const {
  if (!janela_) return false;
  int x = 0, y = 0, largura = 0, altura = 0, cima = 0, esquerda = 0, baixo = 0, direita = 0;
  SDL_GetWindowPosition(janela_, &x, &y);
  SDL_GetWindowSize(janela_, &largura, &altura);
  SDL_GetWindowBordersSize(janela_, &cima, &esquerda, &baixo, &direita);
  SDL_Rect monitor;
  int indice = std::max(0, SDL_GetWindowDisplayIndex(janela_));
  if (SDL_GetDisplayBounds(indice, &monitor) != 0) return false;
  return monitor.y + monitor.h - margem > y + altura + baixo;
}

void JanelaSdl::RolarParaCima(int x, int y, int largura, int altura, int dy, Cor fundo) {
  if (!tela_ || largura <= 0 || altura <= 0 || dy <= 0) return;
  dy = std::min(dy, altura);
  if (dy < altura) {
    if (!rascunho_) {
      int w = 0, h = 0;
      SDL_QueryTexture(tela_, nullptr, nullptr, &w, &h);
      rascunho_ = CriarAlvo(w, h);
    }
    if (rascunho_) {
      SDL_Rect origem{x, y + dy, largura, altura - dy}, destino{x, y, largura, altura - dy};
      SDL_SetRenderTarget(pintor_, rascunho_);
      SDL_RenderCopy(pintor_, tela_, &origem, &origem);
      SDL_SetRenderTarget(pintor_, tela_);
      SDL_RenderCopy(pintor_, rascunho_, &origem, &destino);
    }
  }
  Preencher({x, y + altura - dy, largura, dy}, fundo);
  sujo_ = true;
}

// Copies the backing store to the window, 1:1 so a window shrunk by the user
// shows the top-left part, and draws the caret over it.
void JanelaSdl::Apresentar() {
  if (!pintor_) return;
  SDL_SetRenderTarget(pintor_, nullptr);
  SDL_SetRenderDrawColor(pintor_, 0, 0, 0, 255);
  SDL_RenderClear(pintor_);
  int largura = 0, altura = 0, larguraTela = 0, alturaTela = 0;
  SDL_GetRendererOutputSize(pintor_, &largura, &altura);
  SDL_QueryTexture(tela_, nullptr, nullptr, &larguraTela, &alturaTela);
  SDL_Rect area{0, 0, std::min(largura, larguraTela), std::min(altura, alturaTela)};
  SDL_RenderCopy(pintor_, tela_, &area, &area);
  if (caretVisivel_) Preencher(caret_, kBranco);
  SDL_RenderPresent(pintor_);
  SDL_SetRenderTarget(pintor_, tela_);
  sujo_ = false;
  ultimaApresentacao_ = SDL_GetTicks64();
}

void JanelaSdl::Traduzir(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: TraduzirTecla(e.key); return;
    case SDL_TEXTINPUT: TraduzirTexto(e.text.text); return;
    case SDL_WINDOWEVENT: TraduzirJanela(e.window); return;
    case SDL_QUIT: Enfileirar(WM_QUIT); return;
    case SDL_MOUSEMOTION: Enfileirar(WM_MOUSEMOVE, e.motion.x, e.motion.y); return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_RIGHT)
        Enfileirar(e.type == SDL_MOUSEBUTTONDOWN ? WM_RBUTTONDOWN : WM_RBUTTONUP, e.button.x, e.button.y);
      return;
  }
  if (e.type == eventoPostado_) {
    Mensagem m;
    m.codigo = static_cast<uint32_t>(e.user.code);
    m.wparam = reinterpret_cast<uintptr_t>(e.user.data1);
    m.lparam = reinterpret_cast<uintptr_t>(e.user.data2);
    fila_.push_back(m);
  }
}

// A key down is followed at once by the WM_CHAR of a control key; printable
// characters come separately as text, never both for the same key.
void JanelaSdl::TraduzirTecla(const SDL_KeyboardEvent& e) {
  const Modificadores mods = LerModificadores(e.keysym.mod);
  Mensagem m;
  m.tecla = TeclaVirtual(e.keysym, mods);
  m.ctrl = mods.ctrl;
  m.alt = mods.alt;
  m.shift = mods.shift;
  const bool f10 = e.keysym.sym == SDLK_F10;
  if (e.type == SDL_KEYDOWN) {
    m.codigo = mods.Sistema() || f10 ? WM_SYSKEYDOWN : WM_KEYDOWN;
    fila_.push_back(m);
    modificadoresDaTecla_ = mods;
    if (uint8_t c = CaractereDeControle(e.keysym.sym, mods)) {
      m.codigo = WM_CHAR;
      m.tecla = 0;
      m.caractere = c;
      fila_.push_back(m);
    }
  } else {
    // Releasing Alt itself clears Alt from the state, yet it is a system key.
    const bool soltouAlt = e.keysym.sym == SDLK_LALT && !mods.ctrl;
    m.codigo = mods.Sistema() || f10 || soltouAlt ? WM_SYSKEYUP : WM_KEYUP;
    fila_.push_back(m);
  }
}

// Text typed with Ctrl or Alt alone is not a character on Windows (a control
// code, already sent, or WM_SYSCHAR); Ctrl+Alt is AltGr there and does type.
void JanelaSdl::TraduzirTexto(const char* utf8) {
  const Modificadores mods = modificadoresDaTecla_;
  if (mods.ctrl != mods.alt) return;
  for (char c : CaracteresDigitados(utf8)) {
    Mensagem m;
    m.codigo = WM_CHAR;
    m.caractere = static_cast<uint8_t>(c);
    m.ctrl = mods.ctrl;
    m.alt = mods.alt;
    m.shift = mods.shift;
    fila_.push_back(m);
  }
}

void JanelaSdl::TraduzirJanela(const SDL_WindowEvent& e) {
  switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE: Enfileirar(WM_CLOSE); break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      ativa_ = true;
      Enfileirar(WM_SETFOCUS);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      ativa_ = false;
      Enfileirar(WM_KILLFOCUS);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SIZE_CHANGED: sujo_ = true; break;
  }
}

class RelogioSdl final : public Relogio {
 public:
  explicit RelogioSdl(JanelaSdl& janela) : janela_(janela) {}

  // The console sleeps between letters it prints; the window shows them first.
  void Dormir(uint32_t ms) override {
    janela_.ApresentarSeMudou();
    SDL_Delay(ms);
  }

  uint64_t AgoraMs() const override {
    return uint64_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - inicio_)
            .count());
  }

  uint64_t HoraDoDiaMs() const override {
    auto agora = std::chrono::system_clock::now();
    std::time_t segundos = std::chrono::system_clock::to_time_t(agora);
    std::tm local{};
    localtime_r(&segundos, &local);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(agora.time_since_epoch()).count() % 1000;
    return (uint64_t(local.tm_hour) * 3600 + uint64_t(local.tm_min) * 60 + uint64_t(local.tm_sec)) * 1000 +
           uint64_t(ms);
  }

 private:
  JanelaSdl& janela_;
  const std::chrono::steady_clock::time_point inicio_ = std::chrono::steady_clock::now();
};

// Owns SDL's video and font subsystems; declared first in the platform so
// that it is the last thing to go.
struct SessaoSdl {
  SessaoSdl() = default;
  SessaoSdl(const SessaoSdl&) = delete;
  SessaoSdl& operator=(const SessaoSdl&) = delete;
  ~SessaoSdl() {
    TTF_Quit();
    SDL_Quit();
  }
};

class PlataformaSdl final : public Plataforma {
 public:
  Janela& janela() override { return janela_; }
  Relogio& relogio() override { return relogio_; }
  SaidaAudio& audio() override { return *audio_; }
  const char* nome() const override { return "janela"; }

 private:
  SessaoSdl sessao_;
  JanelaSdl janela_;
  RelogioSdl relogio_{janela_};
  std::unique_ptr<SaidaAudio> audio_ = CriarSaidaAudio(janela_);
};

// SDL falls back to drivers that draw nowhere when there is no screen; a
// window nobody can see would leave the player waiting for nothing.
bool TelaInvisivel() {
  const char* pedido = SDL_getenv("SDL_VIDEODRIVER");
  if (pedido && *pedido) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0 ||
                    SDL_strcmp(driver, "evdev") == 0);
}

// Xlib converts window titles through the character type locale and drops
// the UTF-8 title when that is not UTF-8 (the C locale of a program that
// never calls setlocale); the user's locale if it is UTF-8, else C.UTF-8.
void UsarLocaleUtf8() {
  const char* locale = std::setlocale(LC_CTYPE, "");
  if (!locale || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) std::setlocale(LC_CTYPE, "C.UTF-8");
}

bool IniciarSdl() {
  UsarLocaleUtf8();
  // The close button must reach the console as WM_CLOSE only; SDL would
  // otherwise add a quit event, which the console takes for WM_QUIT.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  const bool iniciado = SDL_Init(SDL_INIT_VIDEO) == 0;
  if (!iniciado || TelaInvisivel()) {
    std::fprintf(
        stderr, "mirtalan: não foi possível abrir a janela (%s); sem tela gráfica, use TALVEN_TELA=nenhuma\n",
        iniciado ? "nenhuma tela gráfica encontrada" : SDL_GetError());
    if (iniciado) SDL_Quit();
    return false;
  }
  if (TTF_Init() != 0) {
    std::fprintf(stderr, "mirtalan: não foi possível iniciar as fontes: %s\n", TTF_GetError());
    SDL_Quit();
    return false;
  }
  return true;
}

}  // namespace
}  // namespace sdl

std::unique_ptr<Plataforma> CriarPlataformaSdl() {
  if (!sdl::IniciarSdl()) return nullptr;
  return std::make_unique<sdl::PlataformaSdl>();
}

}  // namespace plataforma
