// The fala command line, run as a program on the build's data.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "apoio.h"
#include "plataforma/wav.h"

namespace {

struct Saida {
  int codigo;
  std::string texto;
};

Saida Rodar(const std::string& argumentos) {
  std::string comando = "TALVEN_DIR='" MIRTALAN_DADOS "' '" FALA_BINARIO "' " + argumentos + " 2>&1";
  Saida s{-1, ""};
  if (std::FILE* p = popen(comando.c_str(), "r")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;) s.texto.append(buffer, n);
    int estado = pclose(p);
    s.codigo = WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
  }
  return s;
}

TEST(FalaTest, PrintsWhatEachStageMakesOfItsInput) {
  EXPECT_EQ(Rodar("--numero 2500").texto, "dois mil e quinhentos\n");
  EXPECT_EQ(Rodar("--numero 1000000").texto, "um milhão \n");
  // UTF-8 from the terminal reaches the rules as Windows-1252.
  EXPECT_EQ(Rodar("--fonetica 'Casa da mãe'").texto, "[ k/A/ z/a][ d/a][ m/A~y]\n");
  EXPECT_THAT(apoio::Linhas(Rodar("--sons '007, fim'").texto),
              testing::ElementsAre("arquivo _zero.wav", "arquivo _zero.wav", testing::MatchesRegex("imagem [0-9]+"),
                                   "arquivo _44.wav", "pausa 150", testing::MatchesRegex("imagem [0-9]+")));
  Saida difones = Rodar("--difones '[ k/A/ z/a][ /_,]'");
  EXPECT_THAT(apoio::Linhas(difones.texto),
              testing::ElementsAre(testing::MatchesRegex("unidade \\$KA [0-9]+"),
                                   testing::MatchesRegex("unidade \\$ZA [0-9]+"), "silencio 100", "silencio 4000"));
}

TEST(FalaTest, TellsWhatTheDatabaseLacks) {
  // "q" is no phoneme of ours: the unit is missing, its replacement is a
  // noise burst for "$Q" and the vowel.
  EXPECT_THAT(apoio::Linhas(Rodar("--difones '[ q/i]'").texto),
              testing::ElementsAre("ruido 300", testing::MatchesRegex("unidade \\$I [0-9]+"), "falta $QI"));
}

TEST(FalaTest, WritesWhatWouldBeHeard) {
  apoio::DiretorioTemporario dir;
  std::string arquivo = (dir / "fala.wav").string();
  EXPECT_EQ(Rodar("--wav '" + arquivo + "' 'bom dia'").codigo, 0);
  std::string wav = apoio::LerArquivo(arquivo);
  plataforma::ImagemWav lido;
  ASSERT_TRUE(plataforma::LerImagemWav(reinterpret_cast<const uint8_t*>(wav.data()), wav.size(), lido));
  EXPECT_EQ(lido.formato.taxa, 11025u);
  EXPECT_GT(lido.bytes, 11025u / 2);
}

TEST(FalaTest, BadUseIsExplained) {
  EXPECT_EQ(Rodar("").codigo, 2);
  EXPECT_THAT(Rodar("--numero -1").texto, testing::HasSubstr("0 a 4294967295"));
  EXPECT_EQ(Rodar("--numero 99999999999").codigo, 2);
}

}  // namespace
