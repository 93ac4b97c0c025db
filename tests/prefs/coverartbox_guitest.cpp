// Preferences' "Cover Art" block: it shows the stored settings and stores each change at once.
#include "formtest.h"
#include "window/prefs/frmprefs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>

namespace {

class CoverArtPrefs : public FormTest {};

TEST_F(CoverArtPrefs, TheCoverArtBlockShowsAndStoresItsSettings) {
    WriteSetting(SettingKey::CoverArtSize, QStringLiteral("1200"));
    WriteSetting(SettingKey::SaveCoverFile, std::int16_t(0));
    load();
    QPointer<FrmPrefs> prefs = FrmPrefs::open(*form);
    auto* server = prefs->findChild<QLineEdit*>(QStringLiteral("txtCoverArtServer"));
    auto* size = prefs->findChild<QComboBox*>(QStringLiteral("cmbCoverArtSize"));
    auto* saveFile = prefs->findChild<QCheckBox*>(QStringLiteral("chkSaveCoverFile"));
    ASSERT_TRUE(server && size && saveFile);
    EXPECT_EQ(server->text(), QStringLiteral("https://coverartarchive.org"));
    EXPECT_EQ(size->currentData().toString(), QStringLiteral("1200"));
    EXPECT_FALSE(saveFile->isChecked());

    size->setCurrentIndex(3);
    EXPECT_EQ(CoverArtSize, QStringLiteral("original"));
    saveFile->click();
    EXPECT_EQ(SaveCoverFile, 1);
    server->setText(QStringLiteral("localhost:8080"));
    emit server->editingFinished();
    EXPECT_EQ(CoverArtServer, QStringLiteral("localhost:8080"));
    // Emptied, it is the public archive again.
    server->clear();
    emit server->editingFinished();
    EXPECT_EQ(server->text(), QStringLiteral("https://coverartarchive.org"));
    EXPECT_EQ(settings::readText(SettingKey::CoverArtServer, {}),
              QStringLiteral("https://coverartarchive.org"));
    prefs->close();
}

} // namespace
