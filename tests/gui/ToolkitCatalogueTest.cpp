// The toolkit's texts come from the catalogues built with the program: English identifiers,
// German for a German user.

#include "GuiTestSupport.h"
#include "TempDir.h"

#include "gui/GuiButton.h"
#include "gui/GuiFileDialog.h"
#include "gui/GuiLabel.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace guitest;

extern "C" int _nl_msg_cat_cntr;

namespace {

void useLanguage(const char* language) {
    setenv("LANGUAGE", language, 1);
    ++_nl_msg_cat_cntr; // tells gettext that its cached translations are stale
}

TEST(ToolkitCatalogue, DialogTextsAreGermanForAGermanUserAndEnglishOtherwise) {
    // The folder the application names, as an installed program does, not one beside the test.
    GuiEngine::setCatalogueFolder(std::string(TRAKMOOR_BUILD_DIR) + "/data/locale");
    TestEngine engine;
    // Any locale but plain "C" lets LANGUAGE choose the catalogue.
    if (std::setlocale(LC_ALL, "C.UTF-8") == nullptr &&
        std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "no UTF-8 locale on this system";
    }
    const std::pair<const char*, const char*> texts[] = {
        {"File not found.", "Datei nicht gefunden."},
        {"Directory not found: ", "Verzeichnis nicht gefunden: "},
        {"Cannot read directory: ", "Verzeichnis kann nicht gelesen werden: "},
    };
    // English, German, and English again for a language without a catalogue.
    for (const auto& [english, german] : texts) {
        useLanguage("en");
        EXPECT_STREQ(guiText(english), english);
        useLanguage("de");
        EXPECT_STREQ(guiText(english), german);
        useLanguage("fr");
        EXPECT_STREQ(guiText(english), english);
    }

    useLanguage("de");
    TempDir tmp;
    GuiOpenFileDialog* dialog = showOpenFileDialog(engine, "Open", tmp.path().string(), {});
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->okButton()->label + "/" + dialog->cancelButton()->label, "Öffnen/Abbrechen");
    dialog->accept();
    std::string message;
    dialog->messageLabel()->getValue(message);
    EXPECT_EQ(message, "Bitte eine Datei auswählen.");
    unsetenv("LANGUAGE");
    std::setlocale(LC_ALL, "C");
}

} // namespace
