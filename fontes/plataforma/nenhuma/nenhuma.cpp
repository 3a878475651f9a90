// The headless platform: an in-memory screen of cells, a virtual clock that a
// pause advances at once, keys from a script, and sound captured in virtual
// time: each block is logged, finishes when the clock passes its end, and
// (with TALVEN_SOM) is written into one WAV file of the whole timeline.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include "plataforma/diario.h"
#include "plataforma/nenhuma/roteiro.h"
#include "plataforma/plataforma.h"

namespace plataforma {
namespace {

constexpr int kLarguraCelula = 8, kAlturaLinha = 16, kColunas = 80, kLinhas = 25;

// Kept in microseconds, so the ends of sound blocks fall where they should.
class RelogioVirtual : public Relogio {
 public:
  void Dormir(uint32_t ms) override { agora_ += uint64_t(ms) * 1000; }
  uint64_t AgoraMs() const override { return agora_ / 1000; }
  uint64_t HoraDoDiaMs() const override { return agora_ / 1000; }
  uint64_t AgoraUs() const { return agora_; }
  void AvancarAteUs(uint64_t t) {
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

class AudioCapturado : public SaidaAudio {
 public:
  explicit AudioCapturado(RelogioVirtual& relogio) : relogio_(relogio) {
    if (const char* nome = std::getenv("TALVEN_SOM"); nome && *nome) arquivoSom_ = nome;
  }
  ~AudioCapturado() override { GravarSom(); }

  void Conectar(Janela& janela) { janela_ = &janela; }

  void TocarEmLaco(const uint8_t* imagem, size_t bytes) override {
    diario::Registrar("tom", std::to_string(FrequenciaMedida(imagem, bytes)) + " Hz " +
                                 std::to_string(bytes) + " bytes");
  }
  void PararLaco() override { diario::Registrar("tom-fim"); }
  void Bipe() override { diario::Registrar("bipe"); }

  int AbrirBlocos(const FormatoPcm& formato) override {
    if (!FormatoTocavel(formato)) return kAudioFormatoRecusado;
    formato_ = formato;
    return 0;
  }

  bool EscreverBloco(const uint8_t* dados, size_t bytes, uintptr_t id) override {
    uint64_t bytesPorSegundo = uint64_t(formato_.taxa) * (formato_.bits / 8) * formato_.canais;
    Bloco b;
    b.id = id;
    b.inicio = std::max(relogio_.AgoraUs(), fila_.empty() ? 0 : fila_.back().fim);
    b.fim = b.inicio + bytes * 1000000 / bytesPorSegundo;
    b.formato = formato_;
    if (!arquivoSom_.empty()) b.dados.assign(dados, dados + bytes);
    diario::Registrar("bloco", std::to_string(bytes) + " " + std::to_string(formato_.taxa) + "/" +
                                   std::to_string(formato_.bits) + "/" + std::to_string(formato_.canais) + " " +
                                   std::to_string((b.fim - b.inicio) / 1000) + " ms");
    fila_.push_back(std::move(b));
    return true;
  }

  void ReiniciarBlocos() override {
    uint64_t agora = relogio_.AgoraUs();
    if (!fila_.empty() && fila_.front().inicio < agora) {
      const Bloco& b = fila_.front();
      diario::Registrar("corte", std::to_string((agora - b.inicio) / 1000) + " de " +
                                     std::to_string((b.fim - b.inicio) / 1000) + " ms");
    }
    while (!fila_.empty()) {
      Bloco& b = fila_.front();
      b.cortado = agora < b.fim;
      b.fim = std::clamp(agora, b.inicio, b.fim);
      Concluir();
    }
  }

  void FecharBlocos() override {}

  // Hands back every block that has finished by now.
  void EntregarConcluidos() {
    while (!fila_.empty() && fila_.front().fim <= relogio_.AgoraUs()) Concluir();
  }

  std::optional<uint64_t> ProximoFim() const {
    if (fila_.empty()) return std::nullopt;
    return fila_.front().fim;
  }

 private:
  struct Bloco {
    uintptr_t id = 0;
    uint64_t inicio = 0, fim = 0;
    bool cortado = false;
    FormatoPcm formato;
    std::vector<uint8_t> dados;
  };

  void Concluir() {
    Bloco b = std::move(fila_.front());
    fila_.pop_front();
    Guardar(b);
    Mensagem m;
    m.codigo = MM_WOM_DONE;
    m.lparam = b.id;
    if (janela_) janela_->PostarMensagem(m);
  }

  // Keeps what was heard of an 11025 Hz 8-bit mono block for the timeline file.
  void Guardar(const Bloco& b) {
    if (arquivoSom_.empty()) return;
    const FormatoPcm& f = b.formato;
    if (f.taxa != 11025 || f.bits != 8 || f.canais != 1) return;
    size_t inicio = size_t(b.inicio * 11025 / 1000000);
    size_t ouvidos = b.cortado ? std::min(b.dados.size(), size_t((b.fim - b.inicio) * 11025 / 1000000))
                               : b.dados.size();
    if (linhaDoTempo_.size() < inicio + ouvidos) linhaDoTempo_.resize(inicio + ouvidos, 128);
    std::copy_n(b.dados.begin(), ouvidos, linhaDoTempo_.begin() + long(inicio));
  }

  void GravarSom() {
    if (arquivoSom_.empty()) return;
    std::ofstream f(arquivoSom_, std::ios::binary);
    auto u32 = [&f](uint32_t v) {
      for (int i = 0; i < 4; ++i) f.put(char(v >> (8 * i)));
    };
    auto u16 = [&f](uint16_t v) {
      f.put(char(v));
      f.put(char(v >> 8));
    };
    uint32_t n = uint32_t(linhaDoTempo_.size());
    f.write("RIFF", 4);
    u32(n + 36);
    f.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(1);
    u32(11025);
    u32(11025);
    u16(1);
    u16(8);
    f.write("data", 4);
    u32(n);
    f.write(reinterpret_cast<const char*>(linhaDoTempo_.data()), n);
  }

  RelogioVirtual& relogio_;
  Janela* janela_ = nullptr;
  FormatoPcm formato_;
  std::deque<Bloco> fila_;
  std::string arquivoSom_;
  std::vector<uint8_t> linhaDoTempo_;
};

class JanelaNenhuma : public Janela {
 public:
  JanelaNenhuma(RelogioVirtual& relogio, AudioCapturado& audio, std::vector<ItemRoteiro> roteiro)
      : relogio_(relogio), audio_(audio), roteiro_(std::move(roteiro)) {
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

  // Sleeps until the next thing that happens: a scripted key that is due, a
  // sound block that ends, or, when the program waits for a key, the next
  // key of the script.
  void EsperarMensagem(bool esperandoTecla) override {
    EntregarVencidos();
    {
      std::lock_guard trava(mutex_);
      if (!fila_.empty()) return;
    }
    std::optional<uint64_t> proximo = audio_.ProximoFim();
    const ItemRoteiro* item = proximo_ < roteiro_.size() ? &roteiro_[proximo_] : nullptr;
    if (item && item->pausa) {
      uint64_t tecla = (ultimaEntrega_ + *item->pausa) * 1000;
      if (!proximo || tecla < *proximo) proximo = tecla;
    }
    if (item && !item->pausa && esperandoTecla) {
      Entregar();
    } else if (proximo) {
      relogio_.AvancarAteUs(*proximo);
      EntregarVencidos();
    } else if (!item && esperandoTecla && !fechouPorFimDoRoteiro_) {
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
  // Moves every finished block and timed item whose moment has come into the queue.
  void EntregarVencidos() {
    audio_.EntregarConcluidos();
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
  AudioCapturado& audio_;
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
  explicit PlataformaNenhuma(std::vector<ItemRoteiro> roteiro)
      : audio_(relogio_), janela_(relogio_, audio_, std::move(roteiro)) {
    audio_.Conectar(janela_);
  }
  Janela& janela() override { return janela_; }
  Relogio& relogio() override { return relogio_; }
  SaidaAudio& audio() override { return audio_; }
  const char* nome() const override { return "nenhuma"; }

 private:
  RelogioVirtual relogio_;
  AudioCapturado audio_;
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
