// Diphone synthesizer: groups and chunks turned into units, the cut and factor
// arithmetic, replacements for missing units, letter recordings and pauses,
// images split when full, and malformed database and recording files.
#include "tradutor/diphone/difone.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "apoio.h"
#include "apoio_difone.h"
#include "plataforma/arquivos.h"
#include "plataforma/wav.h"
#include "tradutor/wave/wave.h"

namespace {

namespace fs = std::filesystem;
using apoio::EscreverArquivo;
using diphone::Difone;
using diphone::Peca;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

struct Unidade {
  std::string nome;
  uint16_t tamanho;
};

uint32_t Ler32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

std::string Registro(const std::string& nome, uint16_t tamanho, uint32_t deslocamento) {
  std::string r(15, '\0');
  r[0] = static_cast<char>(nome.size());
  nome.copy(&r[1], std::min<size_t>(nome.size(), 8));
  r[9] = static_cast<char>(tamanho & 0xFF);
  r[10] = static_cast<char>(tamanho >> 8);
  for (int i = 0; i < 4; ++i) r[11 + i] = static_cast<char>(deslocamento >> (8 * i));
  return r;
}

// A RIFF/WAVE file with a 16-byte fmt chunk and the given samples.
std::string Wav(const std::string& amostras) {
  std::string w(44, '\0');
  wave::WavBuildHeader(reinterpret_cast<uint8_t*>(w.data()), static_cast<int32_t>(amostras.size()), 11025, 8, 1);
  return w + amostras;
}

std::string Texto(const Peca& p) {
  switch (p.tipo) {
    case Peca::Tipo::Unidade: return "unidade " + p.nome + " " + std::to_string(p.bytes);
    case Peca::Tipo::Letra: return "letra " + p.nome + " " + std::to_string(p.bytes);
    case Peca::Tipo::Ruido: return "ruido " + std::to_string(p.bytes);
    case Peca::Tipo::Silencio: return "silencio " + std::to_string(p.bytes);
    case Peca::Tipo::Falta: return "falta " + p.nome + (p.substituida ? " substituida" : "");
  }
  return "?";
}

// A TALVEN.INI pointing at a letters and a diphone directory, empty rules
// and exceptions, and a database written by the test.
class DifoneTest : public ::testing::Test, protected apoio::AmbienteDeDifone {
 protected:
  DifoneTest() : AmbienteDeDifone("som/letras", "som/difones") {
    difone_.observador = [this](const Peca& p) {
      pecas_.push_back(p);
      eventos_.push_back(Texto(p));
    };
  }

  // Every piece told to the observer is in the images, and nothing else is.
  void TearDown() override {
    size_t contados = 0, tocados = 0;
    for (const Peca& p : pecas_) contados += p.bytes;
    for (const auto& img : reprodutor_.imagens) {
      ASSERT_GE(img.size(), 44u);
      EXPECT_LE(img.size(), Difone::kTamanhoImagem);
      plataforma::ImagemWav d;
      ASSERT_NO_FATAL_FAILURE(apoio::ConferirImagem(img, d));
      EXPECT_EQ(Ler32(img.data() + 4), img.size() - 8);
      tocados += img.size() - 44;
    }
    EXPECT_EQ(contados, tocados);
  }

  // Writes <base>.IND sorted by name and <base>.DIF, each unit's samples all
  // one value of its own (10, 11, ... in the order given).
  std::map<std::string, uint8_t> Banco(std::vector<Unidade> unidades, const std::string& base = "DIFONES2") {
    std::map<std::string, uint8_t> valores;
    std::string dif;
    std::map<std::string, std::string> registros;
    uint8_t v = 10;
    for (const Unidade& u : unidades) {
      registros[u.nome] = Registro(u.nome, u.tamanho, static_cast<uint32_t>(dif.size()));
      dif.append(u.tamanho, static_cast<char>(v));
      valores[u.nome] = v++;
    }
    std::string ind;
    for (const auto& [nome, r] : registros) ind += r;
    EscreverArquivo(difones_ / (base + ".IND"), ind);
    EscreverArquivo(difones_ / (base + ".DIF"), dif);
    return valores;
  }

  void Letra(int codigo, const std::string& amostras) {
    EscreverArquivo(letras_ / ("_" + std::to_string(codigo) + ".wav"), Wav(amostras));
  }

  void Abrir() { ASSERT_EQ(difone_.DifOpen(), Difone::kAberto); }

  std::vector<std::string> Falar(const std::string& fonetica, bool pontuacaoComoLetras = false) {
    eventos_.clear();
    difone_.DifSpeak(fonetica, pontuacaoComoLetras);
    return eventos_;
  }

  std::vector<Peca> pecas_;
  std::vector<std::string> eventos_;
};

// ---------------------------------------------------------------- opening

TEST_F(DifoneTest, AbreDiretoriosComBarraFinalEMaiusculasIgnoradas) {
  // Written on Windows: "\" separators, and names in another case on disk.
  const std::string raiz = dir_.caminho().string();
  EscreverArquivo(dir_ / "TALVEN.INI",
                  "[tradutor]\ndirletras=" + raiz + "\\som\\LETRAS\ndirdifones=" + raiz + "\\som\\Difones\\\n");
  Banco({{"$KA", 10}});
  fs::rename(difones_ / "DIFONES2.IND", difones_ / "difones2.ind");
  fs::rename(difones_ / "DIFONES2.DIF", difones_ / "Difones2.Dif");
  Abrir();
  EXPECT_EQ(difone_.DirLetras(), letras_.string() + "/");
  EXPECT_EQ(difone_.DirDifones(), difones_.string() + "/");
  EXPECT_THAT(Falar("[kA]"), ElementsAre("unidade $KA 10"));
}

TEST_F(DifoneTest, NomeDaBaseCortadoEm8) {
  Banco({{"$KA", 10}}, "MINHABAS");
  difone_.DefinirBase("MINHABASE_LONGA");
  EXPECT_EQ(difone_.Base(), "MINHABAS");
  Abrir();
  EXPECT_THAT(Falar("[kA]"), ElementsAre("unidade $KA 10"));
}

struct FalhaDeAbertura {
  const char* caso;
  const char* apagar;  // relative to the temporary directory
  int resultado;
};

class DifoneAberturaTest : public DifoneTest, public ::testing::WithParamInterface<FalhaDeAbertura> {};

TEST_P(DifoneAberturaTest, FalhaComOCodigoDoPasso) {
  Banco({{"$KA", 10}});
  fs::remove_all(dir_ / GetParam().apagar);
  EXPECT_EQ(difone_.DifOpen(), GetParam().resultado);
  difone_.DifClose();
  EXPECT_FALSE(difone_.Aberto());
  EXPECT_THAT(Falar("[kA]"), IsEmpty());
  EXPECT_THAT(reprodutor_.imagens, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Casos, DifoneAberturaTest,
    ::testing::Values(FalhaDeAbertura{"SemLetras", "som/letras", Difone::kFalhaBanco},
                      FalhaDeAbertura{"SemDifones", "som/difones", Difone::kFalhaBanco},
                      FalhaDeAbertura{"SemIndice", "som/difones/DIFONES2.IND", Difone::kFalhaBanco},
                      FalhaDeAbertura{"SemAmostras", "som/difones/DIFONES2.DIF", Difone::kFalhaBanco},
                      FalhaDeAbertura{"SemRegras", "som/difones/regras.rgr", Difone::kFalhaRegras},
                      FalhaDeAbertura{"SemExcecoes", "som/difones/portug.exc", Difone::kFalhaRegras}),
    [](const auto& info) { return std::string(info.param.caso); });

TEST_F(DifoneTest, SemIniUsaOsDiretoriosDoPrograma) {
  fs::remove(dir_ / "TALVEN.INI");
  difone_.DefinirBase("NENHUMA");
  EXPECT_EQ(difone_.DifOpen(), Difone::kFalhaBanco);
  EXPECT_EQ(difone_.DirLetras(), plataforma::DiretorioDeDados() + "/letras/");
  EXPECT_EQ(difone_.DirDifones(), plataforma::DiretorioDeDados() + "/difones/");
}

TEST_F(DifoneTest, ProsodiaDefinidaAntesDeAbrirValeDepois) {
  Banco({{"$KA", 1000}});
  difone_.DifSetProsody(100, 0, 0);
  Abrir();
  EXPECT_THAT(Falar("[ka]"), ElementsAre("unidade $KA 900"));
}

TEST_F(DifoneTest, FechadoNaoFala) {
  Banco({{"$KA", 10}});
  Abrir();
  difone_.DifClose();
  EXPECT_THAT(Falar("[kA]"), IsEmpty());
  EXPECT_THAT(reprodutor_.imagens, IsEmpty());
}

// ---------------------------------------------------------------- groups and chunks

struct CasoDeGrupo {
  const char* fonetica;
  std::vector<std::string> eventos;
};

class DifoneGrupoTest : public DifoneTest, public ::testing::WithParamInterface<CasoDeGrupo> {};

// Every unit 1000 bytes; defaults cut 400 from units of 3 or more characters,
// so the bytes show both the cut and the factor of each unit.
TEST_P(DifoneGrupoTest, UnidadesEFatores) {
  std::vector<Unidade> unidades;
  for (const char* n : {"$P", "$RA", "$KA", "$S", "$A", "$PA", "$AW", "$PACIRC", "$AWTIL", "$TAKA", "$KACIRC",
                        "$TA", "$BA", "$RR", "$R", "$NHA", "$TCHA", "$DJA", "$KSA", "$RRA"})
    unidades.push_back({n, 1000});
  Banco(unidades);
  Abrir();
  EXPECT_THAT(Falar(GetParam().fonetica), ElementsAreArray(GetParam().eventos));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, DifoneGrupoTest,
    ::testing::Values(
        // two consonants: the first alone at full factor; "$p" is too short to cut
        CasoDeGrupo{"[pra]", {"unidade $P 1000", "unidade $RA 600"}},
        // a final consonant apart
        CasoDeGrupo{"[kas]", {"unidade $KA 600", "unidade $S 1000"}},
        // a final "s" apart, the rest at 0.7
        CasoDeGrupo{"[as]", {"unidade $A 700", "unidade $S 1000"}},
        // a final diphthong apart, the rest at 0.6: 600 * 0.6
        CasoDeGrupo{"[paw]", {"unidade $PA 360", "unidade $AW 600"}},
        // a nasal diphthong: the closed vowel before it at 0.6
        CasoDeGrupo{"[pa~w]", {"unidade $PACIRC 360", "unidade $AWTIL 600"}},
        // a stressed vowel keeps the whole chunk at full length
        CasoDeGrupo{"[tAka]", {"unidade $TAKA 1000"}},
        // ... but only from where it stands
        CasoDeGrupo{"[ka^tA]", {"unidade $KACIRC 600", "unidade $TA 1000"}},
        // a final "rr" apart
        CasoDeGrupo{"[barr]", {"unidade $BA 600", "unidade $RR 600"}},
        // clusters that stay whole
        CasoDeGrupo{"[nha]", {"unidade $NHA 600"}},
        CasoDeGrupo{"[tcha]", {"unidade $TCHA 600"}},
        CasoDeGrupo{"[dja]", {"unidade $DJA 600"}},
        CasoDeGrupo{"[ksa]", {"unidade $KSA 600"}},
        CasoDeGrupo{"[rra]", {"unidade $RRA 600"}},
        // a group ended by a space runs on; one ended by "]" pauses before more text
        CasoDeGrupo{"[ka pa]", {"unidade $KA 600", "unidade $PA 600"}},
        CasoDeGrupo{"[ka][pa]", {"unidade $KA 600", "silencio 100", "unidade $PA 600"}},
        // a stressed chunk does not carry its full length into the next one
        CasoDeGrupo{"[tA ka]", {"unidade $TA 1000", "unidade $KA 600"}}));

TEST_F(DifoneTest, ImagemTemAsAmostrasDasUnidadesNaOrdem) {
  auto v = Banco({{"$KA", 500}, {"$SA", 300}, {"$LA", 200}});
  Abrir();
  difone_.DifSetProsody(0, 0, 100);
  Falar("[ka][sa]");
  ASSERT_EQ(reprodutor_.imagens.size(), 1u);
  std::string esperado = std::string(500, char(v["$KA"])) + std::string(100, '\x80') + std::string(300, char(v["$SA"]));
  EXPECT_EQ(Tocado(), esperado);
}

// ---------------------------------------------------------------- cut, minimum and factor

struct CasoDeCorte {
  const char* caso;
  uint16_t tamanho;
  int corte, minimo;
  const char* fonetica;
  std::vector<std::string> eventos;
};

class DifoneCorteTest : public DifoneTest, public ::testing::WithParamInterface<CasoDeCorte> {};

TEST_P(DifoneCorteTest, BytesAnexados) {
  const CasoDeCorte& c = GetParam();
  Banco({{"$KA", c.tamanho}, {"$PR", c.tamanho}, {"$A", 200}, {"$ACIRC", 450}});
  Abrir();
  difone_.DifSetProsody(c.corte, c.minimo, 0);
  EXPECT_THAT(Falar(c.fonetica), ElementsAreArray(c.eventos));
}

INSTANTIATE_TEST_SUITE_P(
    Casos, DifoneCorteTest,
    ::testing::Values(
        // "$pra" is missing: "$pr" at 0.9, (1000 - 400) * 0.9
        CasoDeCorte{"Fator09", 1000, 400, 0, "[a^pra]",
                    {"unidade $ACIRC 50", "unidade $PR 540", "unidade $A 200", "falta $PRA substituida"}},
        CasoDeCorte{"Minimo", 1000, 400, 700, "[ka]", {"unidade $KA 700"}},
        CasoDeCorte{"MenorQueOMinimo", 500, 400, 700, "[ka]", {"unidade $KA 500"}},
        CasoDeCorte{"CorteMaiorQueAUnidade", 300, 400, 0, "[ka]", {"unidade $KA 0"}},
        CasoDeCorte{"Tonica", 1000, 400, 700, "[kA]", {"unidade $KA 1000"}},
        CasoDeCorte{"CorteNegativoNaoPassaDaUnidade", 1000, -300, 0, "[ka]", {"unidade $KA 1000"}},
        // a minimum above the unit's length never makes it longer
        CasoDeCorte{"MinimoAcimaDoTamanho", 300, 400, 5000, "[ka]", {"unidade $KA 300"}}),
    [](const auto& info) { return std::string(info.param.caso); });

// ---------------------------------------------------------------- missing units

TEST_F(DifoneTest, NasalFaltandoViraFechadaMaisNn) {
  Banco({{"$KACIRC", 1000}, {"$NN", 1000}});
  Abrir();
  // "$kaCIRC" at full length and 0.9, "$nn" cut and at 0.9.
  EXPECT_THAT(Falar("[ka~]"), ElementsAre("unidade $KACIRC 900", "unidade $NN 540", "falta $KATIL substituida"));
  ASSERT_EQ(pecas_.size(), 3u);
  EXPECT_TRUE(pecas_[0].inteira);
  EXPECT_EQ(pecas_[0].nivel, 1);
  EXPECT_FALSE(pecas_[1].inteira);
  EXPECT_EQ(pecas_[2].nivel, 0);
}

TEST_F(DifoneTest, NasalDeIOuUNaoPassaPelaFechada) {
  Banco({{"$KI", 1000}, {"$NN", 1000}});
  Abrir();
  EXPECT_THAT(Falar("[ki~]"), ElementsAre("unidade $KI 540", "unidade $NN 540", "falta $KITIL substituida"));
}

TEST_F(DifoneTest, FechadaFaltandoSeparaAConsoante) {
  Banco({{"$K", 100}, {"$ACIRC", 1000}});
  Abrir();
  EXPECT_THAT(Falar("[ka^]"), ElementsAre("unidade $K 90", "unidade $ACIRC 600", "falta $KACIRC substituida"));
}

TEST_F(DifoneTest, FaltaSemNadaNoLugarSeDizNaoSubstituida) {
  Banco({{"$XX", 10}});
  Abrir();
  // "$k" is short enough for a noise burst; "$aCIRC" gives nothing.
  EXPECT_THAT(Falar("[ka^]"), ElementsAre("ruido 300", "falta $K substituida", "falta $ACIRC",
                                          "falta $KACIRC substituida"));
  EXPECT_EQ(pecas_[1].nivel, 1);
  EXPECT_EQ(pecas_[2].nivel, 1);
  EXPECT_EQ(pecas_[3].nivel, 0);
  // Noise is 300 samples from 88 to 167.
  std::string som = Tocado();
  ASSERT_EQ(som.size(), 300u);
  for (unsigned char c : som) {
    EXPECT_GE(c, 88);
    EXPECT_LE(c, 167);
  }
}

TEST_F(DifoneTest, SoAVogalFinalSeSepara) {
  Banco({{"$XX", 10}});
  Abrir();
  // "$bla" -> "$bl" and "$a"; "$bl" ends in a consonant and has no
  // replacement, "$a" is short enough for noise.
  EXPECT_THAT(Falar("[a^bla]"),
              ElementsAre("falta $ACIRC", "falta $BL", "ruido 300", "falta $A substituida", "falta $BLA substituida"));
}

// ---------------------------------------------------------------- letters and punctuation

TEST_F(DifoneTest, LetraTocaAGravacao) {
  Banco({});
  Letra(66, "bbbb");
  Abrir();
  EXPECT_THAT(Falar("[ /_B]"), ElementsAre("letra _66 4"));
  EXPECT_EQ(Tocado(), "bbbb");
}

TEST_F(DifoneTest, LetraSemGravacaoNaoSoa) {
  Banco({});
  Abrir();
  EXPECT_THAT(Falar("[ /_B]"), ElementsAre("falta _66"));
  EXPECT_THAT(reprodutor_.imagens, IsEmpty());
}

TEST_F(DifoneTest, LetraDeCodigoCurtoFaltandoViraRuido) {
  Banco({});
  Abrir();
  // The unknown-character marker of the rules names "_1".
  EXPECT_THAT(Falar("[ /_\x01]"), ElementsAre("ruido 300", "falta _1 substituida"));
}

TEST_F(DifoneTest, LetraAcentuadaPeloCodigoSemSinal) {
  Banco({});
  Letra(231, "c");
  Abrir();
  EXPECT_THAT(Falar("[ /_\xE7]"), ElementsAre("letra _231 1"));
}

struct CasoDePontuacao {
  const char* fonetica;
  bool comoLetras;
  std::vector<std::string> eventos;
};

class DifonePontuacaoTest : public DifoneTest, public ::testing::WithParamInterface<CasoDePontuacao> {};

TEST_P(DifonePontuacaoTest, PausaOuGravacao) {
  Banco({});
  for (int c : {44, 46, 58, 59}) Letra(c, "pp");
  Abrir();
  EXPECT_THAT(Falar(GetParam().fonetica, GetParam().comoLetras), ElementsAreArray(GetParam().eventos));
}

INSTANTIATE_TEST_SUITE_P(Casos, DifonePontuacaoTest,
                         ::testing::Values(CasoDePontuacao{"[ /_,]", false, {"silencio 4000"}},
                                           CasoDePontuacao{"[ /_.]", false, {"silencio 8000"}},
                                           CasoDePontuacao{"[ /_;]", false, {"silencio 6000"}},
                                           CasoDePontuacao{"[ /_:]", false, {"silencio 8000"}},
                                           CasoDePontuacao{"[ /_,]", true, {"letra _44 2"}},
                                           CasoDePontuacao{"[ /_.]", true, {"letra _46 2"}},
                                           // only a group that is exactly the sign is a pause
                                           CasoDePontuacao{"[ /_,/_,]", false, {"letra _44 2"}}));

TEST_F(DifoneTest, PausaDaVirgulaESilencio) {
  Banco({});
  Abrir();
  Falar("[ /_,]");
  EXPECT_EQ(Tocado(), std::string(4000, '\x80'));
}

TEST_F(DifoneTest, GruposDaLetraSoletrada) {
  Banco({});
  Letra(80, "P");
  Letra(65, "AA");
  Letra(66, "BBB");
  Abrir();
  // An empty group, "_P" and "_A"; the pause after "]" only before more text.
  EXPECT_THAT(Falar("[ /_P/ /_A]"), ElementsAre("letra _80 1", "letra _65 2"));
  EXPECT_THAT(Falar("[ /_P/ /_A][ /_B]"), ElementsAre("letra _80 1", "letra _65 2", "silencio 100", "letra _66 3"));
}

TEST_F(DifoneTest, GrupoLongoTerminaNaBarraSeguinteComPausa) {
  Banco({});
  Letra(65, "A");
  Letra(66, "B");
  Abrir();
  // Up to 8 characters a "/" is passed over; past 8 it ends the group.
  EXPECT_THAT(Falar("[ /_A_A_A_A/ /_B]"), ElementsAre("letra _65 1", "letra _66 1"));
  EXPECT_THAT(Falar("[ /_A_A_A_A_A/ /_B]"), ElementsAre("letra _65 1", "silencio 100", "letra _66 1"));
}

TEST_F(DifoneTest, PausaEntrePalavrasSegueAProsodia) {
  Banco({});
  Letra(65, "A");
  Abrir();
  difone_.DifSetProsody(400, 0, 250);  // a remainder under 100 is dropped
  EXPECT_THAT(Falar("[ /_A][ /_A]"), ElementsAre("letra _65 1", "silencio 200", "letra _65 1"));
  difone_.DifSetProsody(400, 0, 0);
  EXPECT_THAT(Falar("[ /_A][ /_A]"), ElementsAre("letra _65 1", "letra _65 1"));
}

TEST_F(DifoneTest, SemSomNenhum) {
  Banco({{"$KA", 10}});
  Abrir();
  for (const char* s : {"", "[]", " ", "[ /]", "/////", "[ ]"}) {
    EXPECT_THAT(Falar(s), IsEmpty()) << s;
  }
  EXPECT_THAT(reprodutor_.imagens, IsEmpty());
}

// ---------------------------------------------------------------- full images

TEST_F(DifoneTest, SomLongoEmVariasImagensCadaUmaEsperada) {
  auto v = Banco({{"$KA", 30000}});
  Abrir();
  difone_.DifSetProsody(400, 0, 0);
  reprodutor_.ocupado = 2;
  Falar("[kA][kA][kA]");
  // Two units fill 60044 bytes; the third would reach 64000.
  EXPECT_THAT(reprodutor_.registro, ElementsAre("tocar 60044", "ocupado", "esperar", "ocupado", "esperar", "ocupado",
                                                "tocar 30044"));
  EXPECT_EQ(Tocado(), std::string(90000, char(v["$KA"])));
}

TEST_F(DifoneTest, SilencioLongoTambemDivideAImagem) {
  Banco({});
  Abrir();
  // 8 full stops of 8000 samples: 7 fit in 63956 bytes.
  Falar("[ /_.][ /_.][ /_.][ /_.][ /_.][ /_.][ /_.][ /_.]");
  ASSERT_EQ(reprodutor_.imagens.size(), 2u);
  EXPECT_EQ(reprodutor_.imagens[0].size(), 44u + 63900u);  // whole blocks of 100 only
  EXPECT_EQ(Tocado().size(), 8u * 8000u + 7u * 100u);
}

TEST_F(DifoneTest, CadaFalaComecaComImagemVazia) {
  Banco({{"$KA", 100}});
  Abrir();
  Falar("[kA]");
  Falar("[kA]");
  ASSERT_EQ(reprodutor_.imagens.size(), 2u);
  EXPECT_EQ(reprodutor_.imagens[1].size(), 144u);
}

TEST_F(DifoneTest, ChegarAoFimDaImagemJaAToca) {
  Banco({{"$KA", 100}});
  Letra(66, std::string(63856, 'b'));
  Abrir();
  difone_.DifSetProsody(400, 0, 0);
  // 44 + 100 + 63856 is exactly 64000: the image is played first.
  Falar("[kA][ /_B]");
  ASSERT_EQ(reprodutor_.imagens.size(), 2u);
  EXPECT_EQ(reprodutor_.imagens[0].size(), 144u);
  EXPECT_EQ(reprodutor_.imagens[1].size(), 63900u);
}

// ---------------------------------------------------------------- malformed database files

TEST_F(DifoneTest, IndiceComSobraQueNaoFormaRegistro) {
  Banco({{"$KA", 10}, {"$PA", 20}});
  EscreverArquivo(difones_ / "DIFONES2.IND", apoio::LerArquivo(difones_ / "DIFONES2.IND") + "$ZZZZZZ");
  Abrir();
  EXPECT_THAT(Falar("[kA pA]"), ElementsAre("unidade $KA 10", "unidade $PA 20"));
}

TEST_F(DifoneTest, UnidadeQuePassaDoFimDasAmostras) {
  EscreverArquivo(difones_ / "DIFONES2.IND",
                  Registro("$KA", 1000, 0) + Registro("$LA", 1000, 900) + Registro("$MA", 1000, 4000000000u));
  EscreverArquivo(difones_ / "DIFONES2.DIF", std::string(1000, 'k'));
  Abrir();
  EXPECT_THAT(Falar("[kA lA mA]"), ElementsAre("unidade $KA 1000", "unidade $LA 100", "unidade $MA 0"));
  EXPECT_EQ(Tocado(), std::string(1100, 'k'));
}

TEST_F(DifoneTest, IndiceForaDeOrdemSoDeixaDeAchar) {
  // Reversed: a binary search finds the middle one only.
  EscreverArquivo(difones_ / "DIFONES2.IND",
                  Registro("$MA", 10, 0) + Registro("$LA", 10, 10) + Registro("$KA", 10, 20));
  EscreverArquivo(difones_ / "DIFONES2.DIF", std::string(30, 'x'));
  Abrir();
  difone_.DifSetProsody(0, 0, 0);
  EXPECT_THAT(Falar("[ka][la][ma]"), ElementsAre("ruido 300", "falta $K substituida", "ruido 300",
                                                 "falta $A substituida", "falta $KA substituida", "unidade $LA 10",
                                                 "ruido 300", "falta $M substituida", "ruido 300",
                                                 "falta $A substituida", "falta $MA substituida"));
}

TEST_F(DifoneTest, NomesComparadosPorBytePrefixoPrimeiro) {
  // A prefix sorts first, and a byte over 127 after every ASCII letter.
  EscreverArquivo(difones_ / "DIFONES2.IND", Registro("$A", 1, 0) + Registro("$AW", 2, 1) + Registro("$AWTIL", 3, 3) +
                                                 Registro("$KA", 4, 6) + Registro("$K\xC7", 5, 10));
  EscreverArquivo(difones_ / "DIFONES2.DIF", "abbcccddddeeeee");
  Abrir();
  difone_.DifSetProsody(0, 0, 0);
  EXPECT_THAT(Falar("[A AW A~w kA k\xC7]"), ElementsAre("unidade $A 1", "unidade $AW 2", "unidade $AWTIL 3",
                                                        "unidade $KA 4", "unidade $K\xC7 5"));
}

TEST_F(DifoneTest, NomeComTamanhoAcimaDe8) {
  std::string r = Registro("$KA", 10, 0);
  r[0] = static_cast<char>(200);
  EscreverArquivo(difones_ / "DIFONES2.IND", r + Registro("$PA", 10, 0));
  EscreverArquivo(difones_ / "DIFONES2.DIF", std::string(10, 'x'));
  Abrir();
  EXPECT_THAT(Falar("[pA]"), ElementsAre("unidade $PA 10"));
}

TEST_F(DifoneTest, UnidadeMaiorQueAImagemECortada) {
  EscreverArquivo(difones_ / "DIFONES2.IND", Registro("$KA", 65535, 0));
  EscreverArquivo(difones_ / "DIFONES2.DIF", std::string(65535, 'k'));
  Abrir();
  EXPECT_THAT(Falar("[kA]"), ElementsAre("unidade $KA 63956"));
  ASSERT_EQ(reprodutor_.imagens.size(), 1u);
  EXPECT_EQ(reprodutor_.imagens[0].size(), 64000u);
}

TEST_F(DifoneTest, IndiceVazio) {
  EscreverArquivo(difones_ / "DIFONES2.IND", "");
  EscreverArquivo(difones_ / "DIFONES2.DIF", "");
  Abrir();
  EXPECT_THAT(Falar("[ka^]"), ElementsAre("ruido 300", "falta $K substituida", "falta $ACIRC",
                                          "falta $KACIRC substituida"));
}

// ---------------------------------------------------------------- malformed letter recordings

std::string Pedaco(const std::string& nome, uint32_t tamanho, const std::string& corpo) {
  std::string c = nome;
  for (int i = 0; i < 4; ++i) c += static_cast<char>(tamanho >> (8 * i));
  return c + corpo;
}

std::string Riff(const std::string& resto) { return Pedaco("RIFF", uint32_t(resto.size() + 4), "WAVE" + resto); }
const std::string kFmt = Pedaco("fmt ", 16, std::string(16, '\0'));

struct CasoDeLetra {
  const char* caso;
  std::string arquivo;
  std::string esperado;  // samples played; empty when the recording gives nothing
};

class DifoneLetraTest : public DifoneTest, public ::testing::WithParamInterface<CasoDeLetra> {};

TEST_P(DifoneLetraTest, AmostrasLidas) {
  Banco({});
  EscreverArquivo(letras_ / "_66.wav", GetParam().arquivo);
  Abrir();
  std::vector<std::string> eventos = Falar("[ /_B]");
  if (GetParam().esperado.empty()) {
    EXPECT_THAT(eventos, ElementsAre("falta _66"));
  } else {
    EXPECT_THAT(eventos, ElementsAre("letra _66 " + std::to_string(GetParam().esperado.size())));
  }
  EXPECT_EQ(Tocado(), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, DifoneLetraTest,
    ::testing::Values(
        CasoDeLetra{"Normal", Riff(kFmt + Pedaco("data", 3, "abc")), "abc"},
        CasoDeLetra{"NomesEmMaiusculasOuNao",
                    Pedaco("riff", 0, "WAVE") + Pedaco("FMT ", 2, "xx") + Pedaco("DaTa", 2, "ab"), "ab"},
        CasoDeLetra{"PedacoAntesDosDados", Riff(kFmt + Pedaco("LIST", 3, "xyz") + Pedaco("data", 2, "ab")), "ab"},
        CasoDeLetra{"FmtMaior", Riff(Pedaco("fmt ", 18, std::string(18, 'f')) + Pedaco("data", 2, "ab")), "ab"},
        CasoDeLetra{"DadosAlemDoArquivo", Riff(kFmt + Pedaco("data", 5000, "abc")), "abc"},
        CasoDeLetra{"SoOs16BitsBaixos", Riff(kFmt + Pedaco("data", 0x10002, "abcdef")), "ab"},
        CasoDeLetra{"DadosVazios", Riff(kFmt + Pedaco("data", 0, "abc")), ""},
        CasoDeLetra{"TamanhoMultiploDe65536", Riff(kFmt + Pedaco("data", 0x10000, "abc")), ""},
        CasoDeLetra{"SemRiff", Pedaco("RIFX", 0, "WAVE") + kFmt + Pedaco("data", 2, "ab"), ""},
        CasoDeLetra{"SemFmt", Riff(Pedaco("data", 2, "ab")), ""},
        CasoDeLetra{"FmtAlemDoArquivo", Riff(Pedaco("fmt ", 0xFFFFFFF0u, "") + Pedaco("data", 2, "ab")), ""},
        CasoDeLetra{"PedacoAlemDoArquivo", Riff(kFmt + Pedaco("LIST", 0xFFFFFFFFu, "") + Pedaco("data", 2, "ab")), ""},
        CasoDeLetra{"SemDados", Riff(kFmt + Pedaco("LIST", 2, "xy")), ""},
        CasoDeLetra{"CabecalhoTruncado", "RIFF\x10\0\0\0WAV", ""},
        CasoDeLetra{"Vazio", "", ""},
        CasoDeLetra{"GrandeDemaisCortada", Riff(kFmt + Pedaco("data", 64000, std::string(64000, 'g'))),
                    std::string(63956, 'g')}),
    [](const auto& info) { return std::string(info.param.caso); });

TEST_F(DifoneTest, LetraGrandeDepoisDeOutroSomVaiParaNovaImagem) {
  Banco({{"$KA", 100}});
  Letra(66, std::string(63956, 'b'));
  Abrir();
  Falar("[kA][ /_B]");
  ASSERT_EQ(reprodutor_.imagens.size(), 2u);
  EXPECT_EQ(reprodutor_.imagens[0].size(), 44u + 100u + 100u);
  EXPECT_EQ(reprodutor_.imagens[1].size(), 64000u);
}

// ---------------------------------------------------------------- the reader alone

TEST(AcharDadosWav, DeixaOArquivoNaPrimeiraAmostra) {
  std::string w = Riff(kFmt + Pedaco("fact", 4, "1234") + Pedaco("data", 3, "xyz"));
  std::FILE* f = fmemopen(w.data(), w.size(), "rb");
  ASSERT_NE(f, nullptr);
  auto tamanho = plataforma::AcharDadosWav(f);
  ASSERT_TRUE(tamanho.has_value());
  EXPECT_EQ(*tamanho, 3u);
  EXPECT_EQ(std::fgetc(f), 'x');
  std::fclose(f);
}

}  // namespace
