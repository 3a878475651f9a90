// The headless platform: an in-memory screen of cells, a virtual clock that a
// pause advances at once, keys from a script, and sound recorded in the log.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

#include "plataforma/diario.h"
#include "plataforma/nenhuma/roteiro.h"
#include "plataforma/plataforma.h"

namespace plataforma {
namespace {

constexpr int kLarguraCelula = 8, kAlturaLinha = 16, kColunas = 80, kLinhas = 25;

class RelogioVirtual : public Relogio {
 public:
  void Dormir(uint32_t ms) override { agora_ += ms; }
  uint64_t AgoraMs() const override { return agora_; }
  uint64_t HoraDoDiaMs() const override { return agora_; }
  void AvancarAte(uint64_t t) {
    if (t > agora_) agora_ = t;
  }

 private:
  uint64_t agora_ = 0;
};

// Frequency of a square-wave tone image, measured from its rising edges, so
// the log shows what would be heard rather than what was asked for.
int FrequenciaMedida(const uint8_t* imagem, size_t bytes) {
  if (bytes <= 44) return 0;
  const uint8_t* d = imagem + 44;
  size_t n = bytes - 44;
  uint32_t taxa = imagem[24] | imagem[25] << 8 | imagem[26] << 16 | uint32_t(imagem[27]) << 24;
  size_t subidas = 0;
  for (size_t i = 1; i < n; ++i)
    if (d[i - 1] < 128 && d[i] > 128) ++subidas;
  return taxa ? int(std::lround(double(subidas) * taxa / double(n))) : 0;
}

class AudioRegistrado : public SaidaAudio {
 public:
  void TocarEmLaco(const uint8_t* imagem, size_t bytes) override {
    diario::Registrar("tom", std::to_string(FrequenciaMedida(imagem, bytes)) + " Hz " +
                                 std::to_string(bytes) + " bytes");
  }
  void PararLaco() override { diario::Registrar("tom-fim"); }
  void Bipe() override { diario::Registrar("bipe"); }
};

class JanelaNenhuma : public Janela {
 public:
  JanelaNenhuma(RelogioVirtual& relogio, std::vector<ItemRoteiro> roteiro)
      : relogio_(relogio), roteiro_(std::move(roteiro)) {
    std::fill(std::begin(celulas_), std::end(celulas_), ' ');
  }

  ~JanelaNenhuma() override { GravarTelaFinal(); }

  void AreaDeTrabalho(int& largura, int& altura) override {
    largura = 1024;
    altura = 768;
  }

  Metricas Criar(const PedidoJanela& pedido) override {
    criada_ = true;
    DefinirTitulo(pedido.titulo);
    Mensagem foco;
    foco.codigo = WM_SETFOCUS;
    fila_.push_back(foco);
    return Metricas{kLarguraCelula, kAlturaLinha, 12, 0, kColunas * kLarguraCelula,
                    kLinhas * kAlturaLinha};
  }

  void Destruir() override { criada_ = false; }
  bool Criada() const override { return criada_; }
  void DefinirTitulo(std::string_view titulo) override { diario::Registrar("titulo", titulo); }
  bool Ativa() const override { return criada_; }
  bool LongeDoRodape(int) const override { return true; }

  void DesenharTexto(int x, int y, const uint8_t* bytes, int n, Cor, Cor) override {
    int linha = y / kAlturaLinha, coluna = x / kLarguraCelula;
    if (linha < 0 || linha >= kLinhas) return;
    for (int i = 0; i < n; ++i)
      if (coluna + i >= 0 && coluna + i < kColunas) celulas_[linha * kColunas + coluna + i] = bytes[i];
  }

  void RolarParaCima(int x, int y, int largura, int altura, int dy, Cor) override {
    int c0 = x / kLarguraCelula, c1 = std::min(kColunas, (x + largura) / kLarguraCelula);
    int l0 = y / kAlturaLinha, l1 = std::min(kLinhas, (y + altura) / kAlturaLinha);
    int passo = dy / kAlturaLinha;
    for (int l = l0; l < l1; ++l)
      for (int c = std::max(0, c0); c < c1; ++c)
        celulas_[l * kColunas + c] = l + passo < l1 ? celulas_[(l + passo) * kColunas + c] : ' ';
  }

  void MostrarCaret(int, int, int, int) override {}
  void EsconderCaret() override {}

  bool BuscarMensagem(Mensagem& m) override {
    EntregarVencidos();
    std::lock_guard trava(mutex_);
    if (fila_.empty()) return false;
    m = fila_.front();
    fila_.pop_front();
    return true;
  }

  void EsperarMensagem(bool esperandoTecla) override {
    EntregarVencidos();
    {
      std::lock_guard trava(mutex_);
      if (!fila_.empty()) return;
    }
    if (proximo_ < roteiro_.size()) {
      const ItemRoteiro& item = roteiro_[proximo_];
      if (item.pausa) {
        relogio_.AvancarAte(ultimaEntrega_ + *item.pausa);
        EntregarVencidos();
      } else if (esperandoTecla) {
        Entregar();
      }
    } else if (esperandoTecla && !fechouPorFimDoRoteiro_) {
      fechouPorFimDoRoteiro_ = true;
      diario::Registrar("roteiro-fim");
      Mensagem fechar;
      fechar.codigo = WM_CLOSE;
      PostarMensagem(fechar);
    }
  }

  void PostarMensagem(const Mensagem& m) override {
    std::lock_guard trava(mutex_);
    fila_.push_back(m);
  }

 private:
  // Moves every timed item whose moment has come into the queue.
  void EntregarVencidos() {
    while (proximo_ < roteiro_.size() && roteiro_[proximo_].pausa &&
           ultimaEntrega_ + *roteiro_[proximo_].pausa <= relogio_.AgoraMs())
      Entregar();
  }

  void Entregar() {
    const ItemRoteiro& item = roteiro_[proximo_++];
    ultimaEntrega_ = relogio_.AgoraMs();
    std::lock_guard trava(mutex_);
    for (const Mensagem& m : item.mensagens) fila_.push_back(m);
  }

  void GravarTelaFinal() {
    const char* nome = std::getenv("TALVEN_TELA_FINAL");
    if (!nome || !*nome) return;
    std::ofstream f(nome, std::ios::binary);
    for (int l = 0; l < kLinhas; ++l) {
      f.write(reinterpret_cast<const char*>(celulas_ + l * kColunas), kColunas);
      f.put('\n');
    }
  }

  RelogioVirtual& relogio_;
  std::vector<ItemRoteiro> roteiro_;
  size_t proximo_ = 0;
  uint64_t ultimaEntrega_ = 0;
  bool fechouPorFimDoRoteiro_ = false;
  bool criada_ = false;
  uint8_t celulas_[kColunas * kLinhas];
  std::mutex mutex_;
  std::deque<Mensagem> fila_;
};

class PlataformaNenhuma : public Plataforma {
 public:
  explicit PlataformaNenhuma(std::vector<ItemRoteiro> roteiro) : janela_(relogio_, std::move(roteiro)) {}
  Janela& janela() override { return janela_; }
  Relogio& relogio() override { return relogio_; }
  SaidaAudio& audio() override { return audio_; }
  const char* nome() const override { return "nenhuma"; }

 private:
  RelogioVirtual relogio_;
  AudioRegistrado audio_;
  JanelaNenhuma janela_;
};

}  // namespace

std::unique_ptr<Plataforma> CriarPlataformaNenhuma() {
  std::vector<ItemRoteiro> roteiro;
  if (const char* nome = std::getenv("TALVEN_TECLAS"); nome && *nome) {
    std::ifstream f(nome, std::ios::binary);
    if (!f) {
      std::fprintf(stderr, "mirtalan: nao consegui ler o roteiro de teclas %s\n", nome);
      return nullptr;
    }
    std::stringstream texto;
    texto << f.rdbuf();
    std::string erro;
    if (!LerRoteiro(texto.str(), roteiro, erro)) {
      std::fprintf(stderr, "mirtalan: roteiro de teclas %s: %s\n", nome, erro.c_str());
      return nullptr;
    }
  }
  return std::make_unique<PlataformaNenhuma>(std::move(roteiro));
}

}  // namespace plataforma
