// Diphone synthesizer: speaks a phonetic string by joining recorded units
// from a diphone database and recorded letter names into 8-bit mono
// 11025 Hz WAV images, handed one full image at a time to the speech front
// end to be played and waited for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace diphone {

class RegrasLts;

// What the synthesizer needs of the speech front end above it.
class Reprodutor {  // implemented by the speech front end
 public:
  virtual ~Reprodutor() = default;
  // Plays a WAV image; returns when it has been played or stopped by a key.
  virtual void PlayImageAndWait(const uint8_t* image, size_t size) = 0;
  // The speech-busy test: false, with all sound stopped, once a key is waiting.
  virtual bool IsSpeaking() = 0;
  // Sleeps until the next window message.
  virtual void WaitMessage() = 0;
};

// One piece of sound appended to an image, or one unit that could not be
// found, as told to an observer (a command-line tool, a coverage check).
struct Peca {
  enum class Tipo {
    Unidade,   // a unit of the database; nome is the name looked up ("$KA")
    Letra,     // a letter recording or a number word; nome is its file name without ".wav" ("_66")
    Ruido,     // a noise burst standing for a missing unit of at most 2 characters
    Silencio,  // silence: a pause between groups or a punctuation pause
    Falta,     // nome was not found (database unit, or missing or empty recording)
  };
  Tipo tipo = Tipo::Unidade;
  std::string nome;          // upper case as looked up; empty for Ruido and Silencio
  size_t bytes = 0;          // bytes appended to the image; 0 for Falta
  double fator = 1.0;        // Unidade and Falta: the share of the (cut) length asked for
  bool inteira = false;      // Unidade and Falta: full-length flag (no cut from the end)
  // Falta only: true when the replacement pieces of the missing unit (its
  // parts, or a noise burst) put some sound in its place; false when nothing
  // at all was heard for it. A Falta is told after those pieces.
  bool substituida = false;
  // 0 for a unit spoken as it came from the phonetic string; 1 and more for
  // the pieces a missing unit was replaced by (and their own replacements).
  int nivel = 0;
};
using Observador = std::function<void(const Peca&)>;


class Difone {
 public:
  static constexpr size_t kTamanhoImagem = 64000;
  static constexpr size_t kCabecalho = 44;
  static constexpr size_t kMaxAmostras = kTamanhoImagem - kCabecalho;  // 63956
  static constexpr int kTaxa = 11025;
  static constexpr size_t kMaxDiretorio = 79;
  static constexpr size_t kMaxBase = 8;

  // Result codes of DifOpen.
  static constexpr int kAberto = 0;
  static constexpr int kFalhaBanco = 1;   // a directory, the index or the sample file
  static constexpr int kFalhaRegras = 2;  // regras.rgr or portug.exc

  // Neither is owned. The rules are loaded by DifOpen and freed by DifClose.
  Difone(RegrasLts& regras, Reprodutor& reprodutor);
  ~Difone();
  Difone(const Difone&) = delete;
  Difone& operator=(const Difone&) = delete;

  // Reads [TRADUTOR] DIRLETRAS and DIRDIFONES of TALVEN.INI in the system
  // directory, opens <base>.IND and <base>.DIF in the diphone directory, loads
  // regras.rgr and portug.exc from there, and allocates the image. Stops at
  // the first failure (kFalhaBanco or kFalhaRegras); the caller then calls
  // DifClose. An I/O error while reading a file that did open throws
  // std::ios_base::failure.
  int DifOpen();
  // Undoes whatever DifOpen did; harmless when nothing is open.
  void DifClose();
  // Samples cut from the end of every unit of 3 or more characters, the
  // length a cut never goes below, and the silence after a word.
  void DifSetProsody(int cut, int minimum, int wordPause);
  // Speaks one phonetic string and returns when its last image has been
  // played. Punctuation spelled as "_," "_." "_;" "_:" becomes a pause unless
  // punctuationAsLetters. Does nothing while the synthesizer is not open.
  void DifSpeak(std::string_view phonetic, bool punctuationAsLetters);

  // The directories as found by DifOpen, each ending in "/"; empty before.
  const std::string& DirLetras() const { return dirLetras_; }
  const std::string& DirDifones() const { return dirDifones_; }
  // Base name of the index and sample files; cut to 8 characters. Used by
  // the next DifOpen.
  void DefinirBase(std::string_view nome);
  const std::string& Base() const { return base_; }

  int DiphoneCut() const { return diphoneCut_; }
  int DiphoneMinimum() const { return diphoneMinimum_; }
  int WordPause() const { return wordPause_; }
  bool Aberto() const { return !imagem_.empty(); }

  // Told of every piece appended and of every unit not found.
  Observador observador;

 private:
  struct Registro {
    char nome[8];
    uint8_t tamanhoNome;
    uint16_t tamanho;
    uint32_t deslocamento;
    std::string_view Nome() const { return {nome, tamanhoNome}; }
  };

  bool AbrirBanco();
  void LiberarBanco();

  size_t ProximoGrupo(std::string_view s, size_t pos, bool pontuacaoComoLetras, std::string& grupo);
  void FalarGrupo(std::string_view g, double fator);
  void FalarPedaco(std::string_view c, double fator);
  void FalarUnidade(std::string_view u, bool inteira, double fator, int nivel);
  bool AnexarDoBanco(std::string_view u, bool inteira, double fator, int nivel);
  bool AnexarLetra(std::string_view u, int nivel);
  void AnexarSilencio(int amostras);
  void AnexarRuido(int nivel);
  void FazerEspaco(size_t n);
  void Descarregar();
  const Registro* Buscar(std::string_view nome) const;
  void Avisar(const Peca& p) const {
    if (observador) observador(p);
  }

  RegrasLts& regras_;
  Reprodutor& reprodutor_;

  std::string base_ = "DIFONES2";
  int diphoneCut_ = 400;
  int diphoneMinimum_ = 0;
  int wordPause_ = 100;

  std::string dirLetras_;
  std::string dirDifones_;
  std::vector<Registro> indice_;
  std::FILE* amostras_ = nullptr;
  std::vector<uint8_t> imagem_;  // kTamanhoImagem bytes while open

  size_t preenchido_ = kCabecalho;  // where the next sample goes
  bool inteira_ = false;            // full-length flag
  size_t anexados_ = 0;             // bytes appended during this DifSpeak
  std::minstd_rand ruido_;
};

}  // namespace diphone
