// The console window and its screen model: cells with attributes, the text
// window, cursor, wrapping and scrolling, and the message pumps.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "console/console.h"
#include "plataforma/diario.h"
#include "plataforma/ini.h"

namespace console {

using plataforma::Cor;
using plataforma::Mensagem;

namespace {

constexpr Cor kPaleta[16] = {
    {0, 0, 0},       {0, 0, 255},     {0, 255, 0},     {0, 255, 255},
    {255, 0, 0},     {142, 0, 142},   {68, 34, 34},    {192, 192, 192},
    {128, 128, 128}, {128, 128, 255}, {128, 255, 128}, {128, 255, 255},
    {255, 128, 128}, {255, 128, 255}, {255, 255, 0},   {255, 255, 255},
};

std::string LerVideo(std::string_view chave, std::string_view padrao, size_t tamanho = 80) {
  return plataforma::LerPerfil("TALVEN.INI", "VIDEO", chave, padrao, tamanho);
}

// Leading blanks skipped, then the digits up to the first other character.
int NumeroInicial(std::string_view s, bool& temDigitos) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  long n = 0;
  temDigitos = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    temDigitos = true;
    n = std::min(n * 10 + (s[i] - '0'), 1L << 30);
  }
  return int(n);
}

int NumeroInicial(std::string_view s) {
  bool tem;
  return NumeroInicial(s, tem);
}

bool FlagSim(std::string_view s) { return !s.empty() && (s[0] == 'S' || s[0] == 's'); }

// The program file's full path, at most 79 characters.
std::string CaminhoDoPrograma() {
  char caminho[4096];
  ssize_t n = readlink("/proc/self/exe", caminho, sizeof caminho - 1);
  std::string r = n > 0 ? std::string(caminho, size_t(n)) : std::string("mirtalan");
  if (r.size() > 79) r.resize(79);
  return r;
}

}  // namespace

Cor CorDaPaleta(uint8_t indice) { return indice < 16 ? kPaleta[indice] : Cor{}; }

Console::Console(plataforma::Plataforma& plataforma)
    : plataforma_(plataforma),
      janela_(plataforma.janela()),
      tituloBuffer_(CaminhoDoPrograma()),
      bufSaida_(*this),
      bufEntrada_(*this),
      saida_(&bufSaida_),
      entrada_(&bufEntrada_) {
  for (int i = 0; i < 16; ++i) colourMap_[i] = uint8_t(i);
}

Console::~Console() {
  if (!tom_.empty()) plataforma_.audio().PararLaco();
  if (criada_) {
    janela_.DefinirTitulo("Programa terminado");
    breakHandling_ = false;
  }
}

Cor Console::CorLogica(int c) const { return CorDaPaleta(colourMap_[c & 15]); }

uint8_t Console::Caractere(int coluna, int linha) const {
  return criada_ ? caracteres_[Indice(coluna, linha)] : uint8_t(' ');
}

uint8_t Console::Atributo(int coluna, int linha) const {
  return criada_ ? atributos_[Indice(coluna, linha)] : textAttr_;
}

int Console::LerConfiguracao(plataforma::PedidoJanela& pedido) {
  // TABCORES: entries until the first that is not a plain integer, which
  // still gets its leading digits.
  std::string tabela = LerVideo("TABCORES", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15");
  std::string_view resto = tabela;
  for (int i = 0; i < 16 && !resto.empty(); ++i) {
    size_t virgula = resto.find(',');
    std::string_view entrada = resto.substr(0, virgula);
    bool temDigitos;
    colourMap_[i] = uint8_t(NumeroInicial(entrada, temDigitos));
    bool simples = temDigitos && entrada.find_first_not_of("0123456789") == std::string_view::npos;
    if (!simples || virgula == std::string_view::npos) break;
    resto.remove_prefix(virgula + 1);
  }
  coresPermitidas_ = !FlagSim(LerVideo("CORESFIXAS", "N"));
  rolagemRapida_ = FlagSim(LerVideo("LENTO", "N"));
  int fundo = NumeroInicial(LerVideo("CORFUNDO", "0"));
  std::string letra = LerVideo("CORLETRA", "15");
  int frente = letra.empty() ? 7 : NumeroInicial(letra);
  textAttr_ = uint8_t(fundo * 16 | frente);
  pedido.fonte = LerVideo("FONTE", "Lucida Console");
  int larguraArea, alturaArea;
  janela_.AreaDeTrabalho(larguraArea, alturaArea);
  std::string largura = LerVideo("LARGURALETRA", "");
  std::string altura = LerVideo("ALTURALETRA", "");
  pedido.larguraLetra = largura.empty() ? int(larguraArea / 1024.0 * 13) : NumeroInicial(largura);
  pedido.alturaLetra = altura.empty() ? int(alturaArea / 734.0 * 28) : NumeroInicial(altura);
  // Cells of no size would make an unusable window.
  pedido.larguraLetra = std::clamp(pedido.larguraLetra, 4, 64);
  pedido.alturaLetra = std::clamp(pedido.alturaLetra, 6, 128);
  // Any value that begins with "N" asks for the normal placement.
  std::string canto = LerVideo("CANTOTELA", "SIM");
  maximizar_ = canto.empty() || (canto[0] != 'N' && canto[0] != 'n');
  pedido.maximizada = maximizar_;
  pedido.titulo = tituloBuffer_;
  std::string modo = plataforma::LerPerfil("TALVEN.INI", "BRAILLE", "MODO", "0", 80);
  return modo.empty() ? 0 : static_cast<unsigned char>(modo[0]) & 3;
}

void Console::EnsureConsole() {
  if (criada_) return;
  plataforma::PedidoJanela pedido;
  int modo = LerConfiguracao(pedido);
  metricas_ = janela_.Criar(pedido);
  OnCreate();
  RedesenharTudo();
  SetBrailleMode(modo);
}

void Console::OnCreate() {
  criada_ = true;
  caracteres_.assign(kColunas * kLinhas, ' ');
  atributos_.assign(kColunas * kLinhas, textAttr_);
  janelaTexto_ = Retangulo{};
}

void Console::OnDestroy() {
  caracteres_.clear();
  atributos_.clear();
  cursorColuna_ = cursorLinha_ = 0;
  criada_ = false;
  PostMessage(plataforma::WM_QUIT);
}

void Console::SetTextWindow(int left, int top, int right, int bottom) {
  // Rectangles are kept on the screen, at least one cell wide and high.
  janelaTexto_.left = std::clamp(left, 1, kColunas) - 1;
  janelaTexto_.top = std::clamp(top, 1, kLinhas) - 1;
  janelaTexto_.right = std::clamp(right, janelaTexto_.left + 1, kColunas) - 1;
  janelaTexto_.bottom = std::clamp(bottom, janelaTexto_.top + 1, kLinhas) - 1;
  cursorColuna_ = cursorLinha_ = 0;
}

void Console::ClearWindow() {
  EnsureConsole();
  for (int l = janelaTexto_.top; l <= janelaTexto_.bottom; ++l)
    for (int c = janelaTexto_.left; c <= janelaTexto_.right; ++c) {
      caracteres_[Indice(c, l)] = ' ';
      atributos_[Indice(c, l)] = textAttr_;
    }
  cursorColuna_ = cursorLinha_ = 0;
  linhaAlterada_ = -1;
  RedesenharTudo();
}

void Console::ClearToLineEnd() {
  EnsureConsole();
  int linha = janelaTexto_.top + cursorLinha_;
  for (int c = janelaTexto_.left + cursorColuna_; c <= janelaTexto_.right; ++c) {
    caracteres_[Indice(c, linha)] = ' ';
    atributos_[Indice(c, linha)] = textAttr_;
  }
  DesenharCelulas(linha, janelaTexto_.left + cursorColuna_, janelaTexto_.right);
}

void Console::MoveCursor(int x, int y) {
  cursorColuna_ = std::clamp(x - 1, 0, janelaTexto_.Largura() - 1);
  cursorLinha_ = std::clamp(y - 1, 0, janelaTexto_.Altura() - 1);
}

int Console::CursorColumn() const { return cursorColuna_ + 1; }
int Console::CursorRow() const { return cursorLinha_ + 1; }

void Console::SetBackground(int c) {
  EnsureConsole();
  if (coresPermitidas_) textAttr_ = uint8_t((textAttr_ & 15) | (c * 16));
}

void Console::DesenharCelulas(int linha, int de, int ate) {
  if (!criada_ || de > ate) return;
  int c = de;
  while (c <= ate) {
    uint8_t attr = atributos_[Indice(c, linha)];
    int fim = c;
    while (fim + 1 <= ate && atributos_[Indice(fim + 1, linha)] == attr) ++fim;
    janela_.DesenharTexto(c * metricas_.larguraCelula + metricas_.saliencia, linha * metricas_.alturaLinha,
                          &caracteres_[Indice(c, linha)], fim - c + 1, CorLogica(attr & 15),
                          CorLogica(attr >> 4));
    c = fim + 1;
  }
}

void Console::RedesenharTudo() {
  for (int l = 0; l < kLinhas; ++l) DesenharCelulas(l, 0, kColunas - 1);
}

void Console::DesenharAlteradas() {
  if (linhaAlterada_ >= 0) DesenharCelulas(linhaAlterada_, alteradaDe_, alteradaAte_);
  linhaAlterada_ = -1;
  alteradaDe_ = kColunas;
  alteradaAte_ = -1;
}

void Console::WriteChars(const uint8_t* bytes, uint16_t count) {
  EnsureConsole();
  auto marcar = [this](int coluna, int linha) {
    if (linhaAlterada_ != linha) DesenharAlteradas();
    linhaAlterada_ = linha;
    alteradaDe_ = std::min(alteradaDe_, coluna);
    alteradaAte_ = std::max(alteradaAte_, coluna);
  };
  for (uint16_t i = 0; i < count; ++i) {
    uint8_t b = bytes[i];
    if (b == 7) {
      plataforma_.audio().Bipe();
    } else if (b == 8) {
      if (cursorColuna_ > 0) {
        --cursorColuna_;
        int c = janelaTexto_.left + cursorColuna_, l = janelaTexto_.top + cursorLinha_;
        caracteres_[Indice(c, l)] = ' ';
        atributos_[Indice(c, l)] = textAttr_;
        marcar(c, l);
      }
    } else if (b == 10) {
      NovaLinha();
      cursorColuna_ = 0;
    } else if (b == 13) {
      cursorColuna_ = 0;
    } else if (b >= 32) {
      if (cursorColuna_ == janelaTexto_.Largura()) {
        cursorColuna_ = 0;
        NovaLinha();
      }
      int c = janelaTexto_.left + cursorColuna_, l = janelaTexto_.top + cursorLinha_;
      caracteres_[Indice(c, l)] = b;
      atributos_[Indice(c, l)] = textAttr_;
      marcar(c, l);
      ++cursorColuna_;
    }
  }
  DesenharAlteradas();
}

void Console::WriteChar(uint8_t b) { WriteChars(&b, 1); }

void Console::NovaLinha() {
  DesenharAlteradas();
  if (++cursorLinha_ == janelaTexto_.Altura()) Rolar();
}

void Console::Rolar() {
  const Retangulo& w = janelaTexto_;
  cursorLinha_ = w.Altura() - 1;
  for (int l = w.top; l < w.bottom; ++l)
    for (int c = w.left; c <= w.right; ++c) {
      caracteres_[Indice(c, l)] = caracteres_[Indice(c, l + 1)];
      atributos_[Indice(c, l)] = atributos_[Indice(c, l + 1)];
    }
  for (int c = w.left; c <= w.right; ++c) {
    caracteres_[Indice(c, w.bottom)] = ' ';
    atributos_[Indice(c, w.bottom)] = textAttr_;
  }
  if (rolagemRapida_ && janela_.Ativa() && janela_.LongeDoRodape(32)) {
    const plataforma::Metricas& m = metricas_;
    janela_.RolarParaCima(w.left * m.larguraCelula, w.top * m.alturaLinha, w.Largura() * m.larguraCelula,
                          w.Altura() * m.alturaLinha, m.alturaLinha, CorLogica(textAttr_ >> 4));
  } else {
    RedesenharTudo();
  }
}

void Console::SetConsoleTitle(std::string_view text) {
  size_t inicio = text.find_first_not_of(' ');
  text = inicio == std::string_view::npos ? std::string_view{} : text.substr(inicio);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  std::string titulo(text.substr(0, 140));
  if (text.size() > 140) titulo += "...";
  tituloBuffer_ = titulo;
  if (criada_) janela_.DefinirTitulo(titulo);
}

void Console::Bombear() {
  Mensagem m;
  while (janela_.BuscarMensagem(m)) {
    if (m.codigo == plataforma::WM_QUIT) {
      EsconderCaret();
      plataforma::EncerrarPrograma(255);
    }
    WindowProc(m);
  }
}

// With one window, both pumps see the same messages.
void Console::PumpAllMessages() { Bombear(); }
void Console::PumpConsoleMessages() { Bombear(); }

void Console::PauseMs(uint16_t ms) {
  plataforma_.relogio().Dormir(ms);
  PumpAllMessages();
  PumpConsoleMessages();
}

void Console::WaitMessage() { janela_.EsperarMensagem(false); }

void Console::PostMessage(uint32_t codigo, uintptr_t wparam, uintptr_t lparam) {
  Mensagem m;
  m.codigo = codigo;
  m.wparam = wparam;
  m.lparam = lparam;
  janela_.PostarMensagem(m);
}

void Console::SetWomDoneHandler(Manipulador manipulador, bool habilitado) {
  womDone_ = std::move(manipulador);
  womDoneHabilitado_ = habilitado;
}

void Console::CloseConsole() {
  if (criada_) {
    contagem_ = 0;
    EsconderCaret();
    janela_.Destruir();
    criada_ = false;
  }
  plataforma::EncerrarPrograma(0);
}

void Console::WindowProc(const Mensagem& m) {
  using namespace plataforma;
  switch (m.codigo) {
    case WM_DESTROY: OnDestroy(); break;
    case WM_SETFOCUS: OnSetFocus(); break;
    case WM_KILLFOCUS: OnKillFocus(); break;
    case WM_CLOSE: CloseConsole();
    case WM_KEYDOWN: OnKeyDown(m); break;
    case WM_SYSKEYDOWN: OnSysKeyDown(m); break;
    case WM_KEYUP: OnKeyUp(m); break;
    case WM_CHAR: OnChar(m); break;
    case MM_WOM_DONE:
      if (womDone_ && womDoneHabilitado_) womDone_(m.wparam, m.lparam);
      break;
    default: DefaultWindowProc(m); break;
  }
}

// What the system does with messages the console leaves alone: Alt+F4
// closes the window; everything else is ignored.
void Console::DefaultWindowProc(const Mensagem& m) {
  if (m.codigo == plataforma::WM_SYSKEYDOWN && m.tecla == 115 /* F4 */ && m.alt)
    PostMessage(plataforma::WM_CLOSE);
}

}  // namespace console
