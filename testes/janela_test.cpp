// The real game in its SDL window on a virtual X server: keys typed as X
// events, pixels read back from a screenshot, the window closed the way a
// window manager closes it; and the SDL audio out's block voice on SDL's
// disk driver. Every wait is bounded, and the game and the X server are
// killed in the teardown whatever happened. MIRTALAN_CAPTURA names a file
// to keep the screenshot in.

// gtest first: Xlib defines macros (None, Bool, Status) that gtest's own
// names would otherwise collide with.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
// clang-format on
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "apoio.h"
#include "xvfb.h"
#include "plataforma/plataforma.h"

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Relogio = std::chrono::steady_clock;

// The cell size the test's TALVEN.INI asks for; the window is text-sized at
// the screen's top-left corner, and without a window manager it has no frame.
constexpr int kLarguraCelula = 8, kAlturaCelula = 16;

bool NoCaminho(const std::string& programa) {
  const char* caminho = std::getenv("PATH");
  const std::string lista = caminho ? caminho : "/usr/bin:/bin";
  for (size_t inicio = 0; inicio <= lista.size();) {
    size_t fim = std::min(lista.find(':', inicio), lista.size());
    const std::string dir = lista.substr(inicio, fim - inicio);
    if (!dir.empty() && access((dir + "/" + programa).c_str(), X_OK) == 0) return true;
    inicio = fim + 1;
  }
  return false;
}

// Starts a program with some environment variables replaced; standard output
// and error go to `saida`. `fdParaTres` becomes the child's descriptor 3.
pid_t Iniciar(const std::vector<std::string>& argumentos, const std::vector<std::string>& trocas,
              const std::string& saida, int fdParaTres = -1) {
  std::vector<std::string> ambiente(trocas);
  for (char** v = environ; *v; ++v) {
    const std::string nome(*v, std::strcspn(*v, "="));
    bool trocada = false;
    for (const std::string& t : trocas) trocada |= t.compare(0, nome.size() + 1, nome + "=") == 0;
    if (!trocada) ambiente.emplace_back(*v);
  }
  std::vector<char*> argv, envp;
  for (const std::string& a : argumentos) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& v : ambiente) envp.push_back(const_cast<char*>(v.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t acoes;
  posix_spawn_file_actions_init(&acoes);
  posix_spawn_file_actions_addopen(&acoes, 1, saida.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&acoes, 1, 2);
  if (fdParaTres >= 0) posix_spawn_file_actions_adddup2(&acoes, fdParaTres, 3);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &acoes, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&acoes);
  return pid;
}

// The exit code once the process has ended; nothing if `prazo` passes first.
std::optional<int> EsperarFim(pid_t& pid, std::chrono::milliseconds prazo) {
  const auto limite = Relogio::now() + prazo;
  while (pid > 0) {
    int estado = 0;
    if (waitpid(pid, &estado, WNOHANG) == pid) {
      pid = -1;
      return WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
    }
    if (Relogio::now() > limite) break;
    std::this_thread::sleep_for(10ms);
  }
  return std::nullopt;
}

void Matar(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  pid = -1;
}

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
constexpr Rgb kPreto{0, 0, 0}, kAzul{0, 0, 255};

// Glyphs are smoothed and scaled into the cell, so a white letter on black
// shows as neutral greys up to near white.
bool Tinta(Rgb p) { return p.r >= 128 && p.g == p.r && p.b == p.r; }
bool Neutro(Rgb p) { return p.g == p.r && p.b == p.r; }

// A screenshot in binary PPM.
struct Imagem {
  int largura = 0, altura = 0;
  std::vector<uint8_t> rgb;

  bool Ler(const std::string& caminho) {
    const std::string dados = apoio::LerArquivo(caminho);
    int maximo = 0, consumidos = 0;
    if (std::sscanf(dados.c_str(), "P6 %d %d %d%n", &largura, &altura, &maximo, &consumidos) != 3 ||
        maximo != 255 || largura <= 0 || altura <= 0)
      return false;
    const size_t inicio = size_t(consumidos) + 1, bytes = size_t(largura) * size_t(altura) * 3;
    if (dados.size() < inicio + bytes) return false;
    rgb.assign(dados.begin() + long(inicio), dados.begin() + long(inicio + bytes));
    return true;
  }

  // Every pixel of a text cell, by 1-based column and row.
  std::vector<Rgb> Celula(int coluna, int linha) const {
    std::vector<Rgb> pixels;
    for (int y = (linha - 1) * kAlturaCelula; y < linha * kAlturaCelula; ++y)
      for (int x = (coluna - 1) * kLarguraCelula; x < coluna * kLarguraCelula; ++x) {
        const size_t i = (size_t(y) * size_t(largura) + size_t(x)) * 3;
        pixels.push_back({rgb[i], rgb[i + 1], rgb[i + 2]});
      }
    return pixels;
  }
};

template <typename Condicao>
int Contar(const std::vector<Rgb>& pixels, Condicao condicao) {
  int n = 0;
  for (Rgb p : pixels) n += condicao(p) ? 1 : 0;
  return n;
}

// What differs on screen from the game at its first question: the title on
// row 1, the figure's blue block at columns 50 to 74, black beyond it.
// Empty when everything is as it should be.
std::vector<std::string> ConferirTela(const Imagem& tela) {
  std::vector<std::string> erros;
  auto celula = [](int c, int l) { return "(" + std::to_string(c) + ", " + std::to_string(l) + ")"; };
  if (tela.largura < 80 * kLarguraCelula || tela.altura < 25 * kAlturaCelula) {
    erros.push_back("a captura tem " + std::to_string(tela.largura) + "x" + std::to_string(tela.altura));
    return erros;
  }
  // Cells of the block that stay blank at every stage of the figure.
  for (auto [c, l] : {std::pair{50, 1}, {56, 1}, {73, 1}, {74, 1}, {50, 10}, {56, 10}, {73, 13}, {74, 13},
                      {50, 25}, {73, 25}, {74, 25}})
    if (int n = Contar(tela.Celula(c, l), [](Rgb p) { return !(p == kAzul); }))
      erros.push_back("célula em branco da figura " + celula(c, l) + ": " + std::to_string(n) +
                      " pixels que não são azul puro");
  for (int l : {1, 13, 25})
    for (int c = 75; c <= 80; ++c)
      if (int n = Contar(tela.Celula(c, l), [](Rgb p) { return !(p == kPreto); }))
        erros.push_back("célula " + celula(c, l) + " depois da figura: " + std::to_string(n) +
                        " pixels que não são pretos");
  // The top of the gallows: a white letter blended into the blue background.
  const std::vector<Rgb> forca = tela.Celula(57, 1);
  if (Contar(forca, [](Rgb p) { return p.r >= 128 && p.g == p.r && p.b >= 250; }) == 0 ||
      Contar(forca, [](Rgb p) { return p == kAzul; }) == 0)
    erros.push_back("célula " + celula(57, 1) + " não mostra uma letra branca sobre azul");
  const std::string titulo = "JOGO DA MIRTALAN";
  int maisClaro = 0;
  for (int c = 1; c <= 49; ++c) {
    const std::vector<Rgb> pixels = tela.Celula(c, 1);
    const bool letra = c <= int(titulo.size()) && titulo[size_t(c - 1)] != ' ';
    if (letra && Contar(pixels, Tinta) < 4)
      erros.push_back("título: a célula " + celula(c, 1) + " não tem traços claros");
    if (letra && Contar(pixels, Neutro) != int(pixels.size()))
      erros.push_back("título: a célula " + celula(c, 1) + " tem pixels coloridos");
    if (!letra && Contar(pixels, [](Rgb p) { return !(p == kPreto); }) > 0)
      erros.push_back("linha do título: a célula " + celula(c, 1) + " devia estar vazia");
    for (Rgb p : pixels) maisClaro = std::max<int>(maisClaro, p.r);
  }
  // Brighter than the palette's light grey (192) can be: the letters are white.
  if (maisClaro <= 192) erros.push_back("o título não é branco: o pixel mais claro tem " + std::to_string(maisClaro));
  return erros;
}

// A virtual X server of the test's own, on a display number it picks itself.
class ComTelaX : public testing::Test {
 protected:
  void SetUp() override {
    if (!NoCaminho("Xvfb")) GTEST_SKIP() << "Xvfb não está instalado; este teste precisa dele: apt-get install xvfb";
    IniciarX();
  }

  void TearDown() override {
    if (x_) XCloseDisplay(x_);
    x_ = nullptr;
    xvfb::Parar(xvfb_);
  }

  void IniciarX() {
    xvfb_ = xvfb::Iniciar((dir / "xvfb.log").string());
    ASSERT_FALSE(xvfb_.nome.empty()) << "o Xvfb não ficou pronto: " << apoio::LerArquivo(dir / "xvfb.log");
    tela_ = xvfb_.nome;
    x_ = XOpenDisplay(tela_.c_str());
    ASSERT_NE(x_, nullptr) << "não consegui abrir a tela " << tela_;
  }

  apoio::DiretorioTemporario dir;
  std::string tela_;
  Display* x_ = nullptr;
  xvfb::Tela xvfb_;
};

class JanelaTest : public ComTelaX {
 protected:
  void SetUp() override {
    for (const char* programa : {"xdotool", "import"})
      if (!NoCaminho(programa))
        GTEST_SKIP() << programa << " não está instalado; este teste precisa de xdotool e import "
                     << "(ImageMagick): apt-get install xdotool imagemagick";
    ComTelaX::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    apoio::EscreverArquivo(dir / "mirtalan.pal", "SOL\nSOL\n");
    // Only the first section of a name counts: these come before the build's.
    apoio::EscreverArquivo(dir / "TALVEN.INI",
                           "[MIRTALAN]\nDIRMIRTALAN=" MIRTALAN_DADOS "/jogo\nARQPALAVRAS=" +
                               (dir / "mirtalan.pal").string() +
                               "\n[VIDEO]\nFONTE=Lucida Console\nLARGURALETRA=8\nALTURALETRA=16\n"
                               "CORFUNDO=0\nCORLETRA=15\nCANTOTELA=SIM\n" +
                               apoio::LerArquivo(MIRTALAN_DADOS "/TALVEN.INI"));
  }

  void TearDown() override {
    Matar(jogo_);
    ComTelaX::TearDown();
  }

  void IniciarJogo() {
    jogo_ = Iniciar({MIRTALAN_BINARIO},
                    {"DISPLAY=" + tela_, "TALVEN_DIR=" + dir.caminho().string(),
                     "TALVEN_DIARIO=" + (dir / "diario").string(), "TALVEN_TELA=janela",
                     "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy"},
                    (dir / "saida").string());
    ASSERT_GT(jogo_, 0);
  }

  // The log's events without their times.
  std::vector<std::string> Diario() const {
    std::vector<std::string> eventos;
    for (const std::string& l : apoio::Linhas(apoio::LerArquivo(dir / "diario")))
      eventos.push_back(l.substr(l.find(' ') + 1));
    return eventos;
  }

  int Ocorrencias(const std::string& evento) const {
    int n = 0;
    for (const std::string& e : Diario()) n += e == evento || e.rfind(evento + " ", 0) == 0;
    return n;
  }

  // Waits until the log holds `evento` at least `vezes` times.
  bool EsperarNoDiario(const std::string& evento, int vezes, std::chrono::milliseconds prazo) {
    const auto limite = Relogio::now() + prazo;
    while (Ocorrencias(evento) < vezes) {
      if (Relogio::now() > limite) return false;
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }

  std::string Relatorio() const {
    return "\n--- diário ---\n" + apoio::LerArquivo(dir / "diario") + "--- saída ---\n" +
           apoio::LerArquivo(dir / "saida");
  }

  // The game's top-level window, found by the process id SDL puts on it.
  Window JanelaDoJogo(std::chrono::milliseconds prazo) {
    const Atom pidAtom = XInternAtom(x_, "_NET_WM_PID", False);
    const auto limite = Relogio::now() + prazo;
    while (Relogio::now() < limite) {
      Window raiz, pai, *filhas = nullptr;
      unsigned int n = 0;
      Window achada = 0;
      if (XQueryTree(x_, DefaultRootWindow(x_), &raiz, &pai, &filhas, &n)) {
        for (unsigned int i = 0; i < n && !achada; ++i) {
          Atom tipo;
          int formato;
          unsigned long itens, resto;
          unsigned char* valor = nullptr;
          if (XGetWindowProperty(x_, filhas[i], pidAtom, 0, 1, False, XA_CARDINAL, &tipo, &formato, &itens,
                                 &resto, &valor) == Success &&
              valor && itens == 1 && pid_t(*reinterpret_cast<unsigned long*>(valor)) == jogo_)
            achada = filhas[i];
          if (valor) XFree(valor);
        }
        if (filhas) XFree(filhas);
      }
      if (achada) return achada;
      std::this_thread::sleep_for(20ms);
    }
    return 0;
  }

  // Real key events through the X server (XTEST), into the focused window.
  bool Teclar(Window janela, const std::string& teclas) {
    const std::string comando = "DISPLAY=" + tela_ + " timeout 10 xdotool windowfocus --sync " +
                                std::to_string(janela) + " key " + teclas + " >>'" + (dir / "xdotool.log").string() +
                                "' 2>&1";
    return std::system(comando.c_str()) == 0;
  }

  void PedirFechamento(Window janela) { xvfb::PedirFechamento(x_, janela); }

  bool Capturar(Imagem& imagem) {
    const std::string arquivo = (dir / "tela.ppm").string();
    const std::string comando = "DISPLAY=" + tela_ + " timeout 20 import -window root -depth 8 'ppm:" + arquivo +
                                "' >>'" + (dir / "import.log").string() + "' 2>&1";
    if (std::system(comando.c_str()) != 0 || !imagem.Ler(arquivo)) return false;
    // Kept for a person to look at when asked for.
    if (const char* copia = std::getenv("MIRTALAN_CAPTURA"); copia && *copia)
      apoio::EscreverArquivo(copia, apoio::LerArquivo(arquivo));
    return true;
  }

  pid_t jogo_ = -1;
};

TEST_F(JanelaTest, TypedLetterReachesTheGameAndTheScreenShowsTitleAndFigure) {
  IniciarJogo();
  ASSERT_TRUE(EsperarNoDiario("PlayNamedSound JGINIC", 1, 30s)) << "o título não foi mostrado" << Relatorio();
  const Window janela = JanelaDoJogo(10s);
  ASSERT_NE(janela, 0u) << "a janela do jogo não apareceu" << Relatorio();
  // The word is spelled first; then the game asks for a letter.
  ASSERT_TRUE(EsperarNoDiario("PlayNamedSound JGQUELET", 1, 40s)) << Relatorio();
  ASSERT_TRUE(Teclar(janela, "a")) << apoio::LerArquivo(dir / "xdotool.log");
  ASSERT_TRUE(EsperarNoDiario("tecla 97", 1, 10s)) << "a letra digitada não chegou ao jogo" << Relatorio();
  // "A" is not in SOL: the head is drawn and the game asks again.
  ASSERT_TRUE(EsperarNoDiario("PlayNamedSound JGQUELET", 2, 20s)) << Relatorio();

  // The window presents its drawing a few milliseconds after the game draws.
  Imagem imagem;
  std::vector<std::string> erros{"nenhuma captura"};
  for (auto limite = Relogio::now() + 5s; !erros.empty() && Relogio::now() < limite;)
    if (Capturar(imagem)) erros = ConferirTela(imagem);
  for (const std::string& e : erros) ADD_FAILURE() << e;

  // Esc gives the word up; a key during the question is thrown away by the
  // game, so "n" is typed until it is taken as the answer (the last try may
  // find the window already gone).
  ASSERT_TRUE(Teclar(janela, "Escape")) << apoio::LerArquivo(dir / "xdotool.log");
  ASSERT_TRUE(EsperarNoDiario("PlayNamedSound JGDENOVO", 1, 30s)) << Relatorio();
  std::optional<int> codigo;
  for (auto limite = Relogio::now() + 30s; !codigo && Relogio::now() < limite;) {
    Teclar(janela, "n");
    codigo = EsperarFim(jogo_, 300ms);
  }
  ASSERT_TRUE(codigo.has_value()) << "o jogo não terminou com \"n\"" << Relatorio();
  EXPECT_EQ(*codigo, 0) << Relatorio();
  EXPECT_EQ(Diario().back(), "saida 0");
  EXPECT_EQ(Ocorrencias("PlayNamedSound JGTCHAU"), 1) << Relatorio();
}

TEST_F(JanelaTest, ClosingTheWindowWhileTheGameSpeaksEndsItAtOnce) {
  IniciarJogo();
  ASSERT_TRUE(EsperarNoDiario("PlayNamedSound JGINIC", 1, 30s)) << Relatorio();
  const Window janela = JanelaDoJogo(10s);
  ASSERT_NE(janela, 0u) << Relatorio();
  PedirFechamento(janela);
  std::optional<int> codigo = EsperarFim(jogo_, 5s);
  ASSERT_TRUE(codigo.has_value()) << "o jogo continuou depois de a janela ser fechada" << Relatorio();
  EXPECT_EQ(*codigo, 0) << Relatorio();
  EXPECT_EQ(Diario().back(), "saida 0");
  // It ended during the greeting, before the first word was chosen.
  EXPECT_EQ(Ocorrencias("palavra"), 0) << Relatorio();
}

// The block voice of the SDL audio out, on SDL's "disk" driver: what the
// device is given lands in a file, and MM_WOM_DONE arrives in the window's
// queue as the wave player would receive it.
class BlocosSdlTest : public ComTelaX {
 protected:
  void SetUp() override {
    ComTelaX::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    Criar("disk");
  }

  void TearDown() override {
    plataforma_.reset();
    variaveis_.clear();
    ComTelaX::TearDown();
  }

  void Criar(const std::string& driver) {
    plataforma_.reset();
    variaveis_.clear();
    for (auto [nome, valor] : {std::pair<const char*, std::string>{"DISPLAY", tela_},
                               {"SDL_VIDEODRIVER", "x11"},
                               {"SDL_AUDIODRIVER", driver},
                               {"SDL_DISKAUDIOFILE", (dir / "som.raw").string()}})
      variaveis_.push_back(std::make_unique<apoio::Variavel>(nome, valor));
    plataforma_ = plataforma::CriarPlataformaSdl();
    ASSERT_NE(plataforma_, nullptr);
  }

  plataforma::SaidaAudio& audio() { return plataforma_->audio(); }

  struct Devolvido {
    uintptr_t id;
    std::chrono::milliseconds quando;  // since `desde`
  };

  // The MM_WOM_DONE messages that arrive until `quantos` have come or `prazo` passes.
  std::vector<Devolvido> Esperar(size_t quantos, std::chrono::milliseconds prazo,
                                 Relogio::time_point desde = Relogio::now()) {
    std::vector<Devolvido> r;
    for (auto limite = Relogio::now() + prazo; r.size() < quantos && Relogio::now() < limite;) {
      plataforma::Mensagem m;
      if (!plataforma_->janela().BuscarMensagem(m)) {
        std::this_thread::sleep_for(2ms);
        continue;
      }
      if (m.codigo == plataforma::MM_WOM_DONE)
        r.push_back({m.lparam, std::chrono::duration_cast<std::chrono::milliseconds>(Relogio::now() - desde)});
    }
    return r;
  }

  static std::vector<uintptr_t> Ids(const std::vector<Devolvido>& devolvidos) {
    std::vector<uintptr_t> ids;
    for (const Devolvido& d : devolvidos) ids.push_back(d.id);
    return ids;
  }

  // What the device has been given so far: 16-bit mono at 22050 Hz.
  std::vector<int16_t> Saida() const {
    const std::string bytes = apoio::LerArquivo(dir / "som.raw");
    std::vector<int16_t> amostras(bytes.size() / 2);
    std::memcpy(amostras.data(), bytes.data(), amostras.size() * 2);
    return amostras;
  }

  std::vector<std::unique_ptr<apoio::Variavel>> variaveis_;
  std::unique_ptr<plataforma::Plataforma> plataforma_;
};

// 8-bit samples of a constant level: 192 comes out at +16384, 64 at -16384.
std::vector<uint8_t> Nivel(size_t bytes, uint8_t valor) { return std::vector<uint8_t>(bytes, valor); }

TEST_F(BlocosSdlTest, BlocksPlayInOrderWithoutGapsAndAreHandedBackOncePlayed) {
  ASSERT_EQ(audio().AbrirBlocos({11025, 8, 1}), 0);
  const auto inicio = Relogio::now();
  // 200 ms each: at the device's 22050 Hz, 4410 samples.
  for (auto [id, valor] : {std::pair<uintptr_t, uint8_t>{11, 192}, {12, 64}, {13, 192}})
    ASSERT_TRUE(audio().EscreverBloco(Nivel(2205, valor).data(), 2205, id));
  const std::vector<Devolvido> devolvidos = Esperar(3, 10s, inicio);
  ASSERT_EQ(Ids(devolvidos), (std::vector<uintptr_t>{11, 12, 13}));
  // Not before their sound has gone out: the disk driver takes 5.8 ms of
  // sound every 5 ms, so 200 ms of it need at least 170 ms.
  EXPECT_GE(devolvidos[0].quando, 150ms);
  EXPECT_GE(devolvidos[2].quando, 450ms);
  audio().FecharBlocos();
  EXPECT_TRUE(Esperar(1, 300ms).empty()) << "um bloco foi devolvido duas vezes";

  const std::vector<int16_t> s = Saida();
  auto alto = [](int16_t v) { return std::abs(int(v)) > 8000; };
  const auto primeiro = std::find_if(s.begin(), s.end(), alto);
  ASSERT_NE(primeiro, s.end()) << "nada foi tocado";
  const size_t a = size_t(primeiro - s.begin());
  const size_t b = s.size() - 1 - size_t(std::find_if(s.rbegin(), s.rend(), alto) - s.rbegin());
  EXPECT_NEAR(double(b - a + 1), 3 * 4410, 8);
  // One after the other: the level in the middle of each block, and no
  // stretch of silence where one block meets the next.
  ASSERT_LT(a + 8820 + 2205, s.size());
  EXPECT_GT(s[a + 2205], 15000);
  EXPECT_LT(s[a + 4410 + 2205], -15000);
  EXPECT_GT(s[a + 8820 + 2205], 15000);
  size_t silencio = 0, maiorSilencio = 0;
  for (size_t i = a; i <= b; ++i) {
    silencio = std::abs(int(s[i])) < 2000 ? silencio + 1 : 0;
    maiorSilencio = std::max(maiorSilencio, silencio);
  }
  EXPECT_LE(maiorSilencio, 3u);
}

TEST_F(BlocosSdlTest, ResetHandsEveryQueuedBlockBackBeforeReturningAndSilencesTheDevice) {
  ASSERT_EQ(audio().AbrirBlocos({11025, 8, 1}), 0);
  ASSERT_TRUE(audio().EscreverBloco(Nivel(11025, 192).data(), 11025, 21));
  ASSERT_TRUE(audio().EscreverBloco(Nivel(11025, 192).data(), 11025, 22));
  std::this_thread::sleep_for(150ms);
  audio().ReiniciarBlocos();
  // Already in the queue when the call returns: no waiting at all.
  std::vector<uintptr_t> ids;
  for (plataforma::Mensagem m; plataforma_->janela().BuscarMensagem(m);)
    if (m.codigo == plataforma::MM_WOM_DONE) ids.push_back(m.lparam);
  EXPECT_EQ(ids, (std::vector<uintptr_t>{21, 22}));
  EXPECT_TRUE(Esperar(1, 300ms).empty()) << "um bloco foi devolvido duas vezes";

  // The two seconds were cut short, and the device hears silence since.
  std::this_thread::sleep_for(200ms);
  const std::vector<int16_t> s = Saida();
  const auto tocadas = std::count_if(s.begin(), s.end(), [](int16_t v) { return v > 8000; });
  EXPECT_GT(tocadas, 0);
  EXPECT_LT(tocadas, 22050);
  ASSERT_GT(s.size(), 2205u);
  EXPECT_TRUE(std::all_of(s.end() - 2205, s.end(), [](int16_t v) { return v == 0; }));
}

TEST_F(BlocosSdlTest, CloseDropsTheQueueWithoutHandingItBackAndTheVoiceOpensAgain) {
  ASSERT_EQ(audio().AbrirBlocos({11025, 8, 1}), 0);
  ASSERT_TRUE(audio().EscreverBloco(Nivel(1102, 192).data(), 1102, 31));
  audio().FecharBlocos();
  EXPECT_TRUE(Esperar(1, 400ms).empty());
  EXPECT_FALSE(audio().EscreverBloco(Nivel(1102, 192).data(), 1102, 32));

  ASSERT_EQ(audio().AbrirBlocos({16000, 16, 1}), 0);
  std::vector<uint8_t> bloco(3200);
  for (size_t i = 0; i < bloco.size(); i += 2) bloco[i + 1] = 0x40;  // +16384
  ASSERT_TRUE(audio().EscreverBloco(bloco.data(), bloco.size(), 33));
  EXPECT_EQ(Ids(Esperar(1, 5s)), (std::vector<uintptr_t>{33}));
}

TEST_F(BlocosSdlTest, AFormatTheDeviceCannotTakeIsRefused) {
  EXPECT_NE(audio().AbrirBlocos({11025, 12, 1}), 0);
  EXPECT_FALSE(audio().EscreverBloco(Nivel(256, 192).data(), 256, 41));
  EXPECT_NE(audio().AbrirBlocos({0, 8, 1}), 0);
  EXPECT_NE(audio().AbrirBlocos({11025, 8, 0}), 0);
  // A good format after a refused one opens normally.
  ASSERT_EQ(audio().AbrirBlocos({11025, 8, 1}), 0);
  ASSERT_TRUE(audio().EscreverBloco(Nivel(256, 192).data(), 256, 42));
  EXPECT_EQ(Ids(Esperar(1, 5s)), (std::vector<uintptr_t>{42}));
}

TEST_F(BlocosSdlTest, WithoutADeviceTheVoiceStaysSilentAndSaysSoOnce) {
  Criar("semdispositivo");
  testing::internal::CaptureStderr();
  const int primeiro = audio().AbrirBlocos({11025, 8, 1});
  const int segundo = audio().AbrirBlocos({11025, 8, 1});
  const bool escrito = audio().EscreverBloco(Nivel(256, 192).data(), 256, 51);
  const std::string erros = testing::internal::GetCapturedStderr();
  EXPECT_EQ(primeiro, plataforma::kAudioSemDispositivo);
  EXPECT_EQ(segundo, plataforma::kAudioSemDispositivo);
  EXPECT_FALSE(escrito);
  size_t avisos = 0;
  for (size_t p = erros.find("sem saída de som"); p != std::string::npos; p = erros.find("sem saída de som", p + 1))
    ++avisos;
  EXPECT_EQ(avisos, 1u) << erros;
}

}  // namespace
