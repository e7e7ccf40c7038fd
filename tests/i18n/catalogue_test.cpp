#include "vandrel/catalogue.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace vandrel {
namespace {

using test::CatchError;

std::vector<int> Offsets(int language) {
  std::vector<int> offsets;
  for (const auto& entry : CatalogueEntries(language)) offsets.push_back(entry.first);
  return offsets;
}

TEST(Catalogue, EveryLanguageHasTheSameNinetyNineOffsets) {
  const std::vector<int> italian = Offsets(1);
  EXPECT_EQ(italian.size(), 99u);
  for (int language = 2; language <= 5; ++language) EXPECT_EQ(Offsets(language), italian);
  EXPECT_TRUE(CatalogueEntries(6).empty());
}

TEST(Catalogue, GermanIsEnglishButForTheMessageTitle) {
  const auto english = CatalogueEntries(2);
  const auto german = CatalogueEntries(4);
  for (std::size_t i = 0; i < english.size(); ++i) {
    if (english[i].first == 5) continue;
    EXPECT_EQ(german[i], english[i]) << english[i].first;
  }
  EXPECT_EQ(LoadResString(4005), "Import WIZARD - Meldung");
  EXPECT_EQ(LoadResString(2005), "Import WIZARD - Message");
}

TEST(Catalogue, TokensAndTextsAreExact) {
  for (int base = 1000; base <= 5000; base += 1000) EXPECT_EQ(LoadResString(base + 14), "{TAB}");
  EXPECT_EQ(LoadResString(1010), "{NESSUNO}");
  EXPECT_EQ(LoadResString(2011), "{SPACE}");
  EXPECT_EQ(LoadResString(3010), "{AUCUN}");
  EXPECT_EQ(LoadResString(5011), "{ESPACIO}");
  EXPECT_EQ(LoadResString(1316), "Importazione  fallita!");
  EXPECT_EQ(LoadResString(2312), "The files cointain data!");
  EXPECT_EQ(LoadResString(2511), "The files cointain data. Overwrite the existing data?");
  EXPECT_EQ(LoadResString(1206), " righe");  // blanks belong to fragments
  EXPECT_EQ(LoadResString(3001), "<< Arri\xC3\xA8re");
  EXPECT_EQ(LoadResString(1110), "File di testo (*.txt)|*.txt|Tutti i file (*.*)|*.*");
}

TEST(Catalogue, TokensAreRecognisedAndShownInAnyLanguage) {
  EXPECT_TRUE(IsToken("{AUCUN}", kTokenNone));
  EXPECT_FALSE(IsToken("{AUCUN}", kTokenSpace));
  EXPECT_EQ(LocaliseToken("{NESSUNO}", 2), "{NONE}");
  EXPECT_EQ(LocaliseToken("{SPACE}", 5), "{ESPACIO}");
  EXPECT_EQ(LocaliseToken("{ESPACE}", 9), "{SPACE}");  // a language without texts: English
  EXPECT_EQ(LocaliseToken(";", 1), ";");
}

TEST(Catalogue, LookupsFollowTheLanguageAndFailClearly) {
  EXPECT_EQ(LoadResString(1000), "Avanti >>");
  EXPECT_EQ(LoadResString(2314), "Start import?");
  EXPECT_EQ(CatchError([] { LoadResString(9000); }).number(), kErrResourceNotFound);
  EXPECT_EQ(CatchError([] { LoadResString(32768); }).number(), kErrOverflow);
  EXPECT_EQ(CatchError([] { LoadResString(1999); }).number(), kErrResourceNotFound);
  EXPECT_EQ(CatchError([] { LoadResString(1006); }).number(), kErrResourceNotFound);
}

}  // namespace
}  // namespace vandrel
