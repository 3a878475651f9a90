#include "espeak_br.h"

#include <espeak-ng/speak_lib.h>
#include <soxr.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

#ifndef ESPEAK_BR_DADOS
#define ESPEAK_BR_DADOS "/usr/lib/x86_64-linux-gnu/espeak-ng-data"
#endif

namespace espeak_br {

namespace fs = std::filesystem;

namespace {

// raiz/espeak-ng-data links every file of the system data, except that
// voices/!v holds our variant alone.
void MontarDados(const fs::path& raiz, const std::string& variante) {
  const fs::path sistema = ESPEAK_BR_DADOS;
  const fs::path dados = raiz / "espeak-ng-data";
  fs::create_directories(dados / "voices" / "!v");
  for (const auto& e : fs::directory_iterator(sistema)) {
    if (e.path().filename() == "voices") continue;
    fs::create_symlink(e.path(), dados / e.path().filename());
  }
  if (fs::exists(sistema / "voices")) {
    for (const auto& e : fs::directory_iterator(sistema / "voices")) {
      if (e.path().filename() == "!v") continue;
      fs::create_symlink(e.path(), dados / "voices" / e.path().filename());
    }
  }
  std::ofstream arquivo(dados / "voices" / "!v" / variante);
  arquivo << "language variant\nname " << variante << "\nflutter 0\n";
  if (!arquivo) throw std::runtime_error("nao gravei a variante da voz");
}

// espeak-ng's synthesis callback: the samples, and the phoneme events when
// the voice was started with them.
int Receber(short* wav, int n, espeak_EVENT* eventos) {
  auto* fala = static_cast<Fala*>(eventos->user_data);
  for (int i = 0; wav != nullptr && i < n; ++i) fala->amostras.push_back(wav[i] / 32768.0f);
  for (espeak_EVENT* e = eventos; e->type != espeakEVENT_LIST_TERMINATED; ++e) {
    if (e->type != espeakEVENT_PHONEME) continue;
    // The name is up to 8 bytes, not always terminated.
    char nome[9] = {};
    std::memcpy(nome, e->id.string, 8);
    fala->eventos.push_back({nome, static_cast<size_t>(e->sample)});
  }
  return 0;
}

}  // namespace

DiretorioTemporario::DiretorioTemporario(const fs::path& modelo) {
  std::string nome = modelo.string();
  if (mkdtemp(nome.data()) == nullptr) throw std::runtime_error("mkdtemp falhou em " + modelo.string());
  caminho_ = nome;
}

DiretorioTemporario::~DiretorioTemporario() {
  std::error_code erro;
  fs::remove_all(caminho_, erro);
}

// The data directory is a member, so it is removed even when the voice
// fails to start.
Voz::Voz(const Ajustes& ajustes)
    : raiz_(fs::temp_directory_path() / ("espeak_" + ajustes.variante + ".XXXXXX")) {
  MontarDados(raiz_.Caminho(), ajustes.variante);
  int opcoes = espeakINITIALIZE_DONT_EXIT;
  if (ajustes.eventosDeFonema) opcoes |= espeakINITIALIZE_PHONEME_EVENTS;
  taxa_ = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, raiz_.Caminho().c_str(), opcoes);
  if (taxa_ <= 0) throw std::runtime_error("espeak-ng nao iniciou");
  espeak_SetSynthCallback(&Receber);
  const std::string nome = "pt-br+" + ajustes.variante;
  if (espeak_SetVoiceByName(nome.c_str()) != EE_OK) throw std::runtime_error("voz " + nome + " nao encontrada");
  espeak_SetParameter(espeakRATE, ajustes.palavrasPorMinuto, 0);
  espeak_SetParameter(espeakPITCH, ajustes.altura, 0);
  espeak_SetParameter(espeakRANGE, ajustes.entonacao, 0);
}

Voz::~Voz() { espeak_Terminate(); }

Fala Voz::Falar(const std::string& texto) {
  Fala fala;
  espeak_ERROR r = espeak_Synth(texto.c_str(), texto.size() + 1, 0, POS_CHARACTER, 0,
                                espeakCHARS_UTF8 | espeakPHONEMES, nullptr, &fala);
  if (r != EE_OK) throw std::runtime_error("espeak-ng falhou em: " + texto);
  return fala;
}

std::string Voz::Fonemas(const std::string& texto) {
  char* buffer = nullptr;
  size_t tamanho = 0;
  FILE* rastro = open_memstream(&buffer, &tamanho);
  if (rastro == nullptr) throw std::runtime_error("open_memstream falhou");
  espeak_SetPhonemeTrace(espeakPHONEMES_SHOW, rastro);
  Falar(texto);
  espeak_SetPhonemeTrace(0, nullptr);
  std::fclose(rastro);
  std::string saida(buffer, tamanho);
  std::free(buffer);
  while (!saida.empty() && saida.back() == '\n') saida.pop_back();
  std::replace(saida.begin(), saida.end(), '\n', '|');
  return saida;
}

std::vector<float> Reamostrar(const std::vector<float>& entrada, int taxaEntrada) {
  if (taxaEntrada == kTaxa) return entrada;
  // Room for every output sample: the exact ratio, and a margin for soxr's
  // rounding (it writes no more than it is given room for).
  std::vector<float> saida(entrada.size() * kTaxa / static_cast<size_t>(taxaEntrada) + 64);
  size_t usados = 0, gerados = 0;
  soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  soxr_quality_spec_t qualidade = soxr_quality_spec(SOXR_HQ, 0);
  soxr_error_t erro = soxr_oneshot(taxaEntrada, kTaxa, 1, entrada.data(), entrada.size(), &usados,
                                   saida.data(), saida.size(), &gerados, &io, &qualidade, nullptr);
  if (erro != nullptr) throw std::runtime_error(std::string("soxr: ") + erro);
  saida.resize(gerados);
  return saida;
}

}  // namespace espeak_br
