// The disguise settings dialog: its controls, captions and what Ok stores.
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "shell/window/disguise.h"
#include "shell/forms/hide_form.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

class HideFormTest : public QObject {
    Q_OBJECT

private:
    static TIni StoredIni()
    {
        TIni ini(std::nullopt);
        ini.SetBossTitle("Notes");
        ini.SetBossPassword("Geheim");
        ini.SetBossFile("/usr/share/icons/editor.png");
        ini.SetBossIconNumber(7);
        ini.SetBossEnable(false);
        return ini;
    }

private slots:
    void controlsCaptionsAndFields()
    {
        TIni ini = StoredIni();
        TLanguage lang(ini, std::filesystem::path(STAKOR_SOURCE_DATA_DIR) / "Language");
        lang.FindLanguages();
        QVERIFY(lang.LoadLanguage("English"));
        THideForm form(ini, lang);
        QCOMPARE(form.size(), QSize(274, 150));
        QCOMPARE(form.windowTitle(), FromPack(lang.GetText("HdFC")));
        const std::pair<const char*, const char*> captions[] = {
            {"Label1", "HdFL1"}, {"Label2", "HdFL2"}, {"Label3", "HdFL3"}, {"Label4", "HdFL4"}};
        for (const auto& [name, key] : captions)
            QCOMPARE(form.findChild<QLabel*>(QString::fromLatin1(name))->text(), FromPack(lang.GetText(key)));
        QCOMPARE(form.findChild<QPushButton*>(QStringLiteral("BrowseButton"))->text(), QStringLiteral("Browse..."));
        QCOMPARE(
            form.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->text(), QStringLiteral("Minimize in Taskbar"));
        auto* ok = form.findChild<QPushButton*>(QStringLiteral("OkButton"));
        QVERIFY(ok->isDefault());
        QCOMPARE(ok->text(), QStringLiteral("Ok"));
        QCOMPARE(form.findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly).size(), 2); // no cancel button

        const auto edit = [&](const char* name) { return form.findChild<QLineEdit*>(QString::fromLatin1(name)); };
        QCOMPARE(edit("Edit1")->geometry(), QRect(8, 20, 169, 21));
        QCOMPARE(edit("Edit4")->geometry(), QRect(186, 64, 80, 21));
        QCOMPARE(edit("Edit1")->text(), QStringLiteral("Notes"));
        QCOMPARE(edit("Edit2")->text(), QStringLiteral("Geheim"));
        QCOMPARE(edit("Edit2")->echoMode(), QLineEdit::Normal);
        QCOMPARE(edit("Edit3")->text(), QStringLiteral("/usr/share/icons/editor.png"));
        QCOMPARE(edit("Edit4")->text(), QStringLiteral("7"));
        QVERIFY(!form.CheckBox1->isChecked());

        // Tab order: title, file, number, Browse, the check box, Ok, password.
        const QList<QWidget*> order = {
            form.Edit1, form.Edit3, form.Edit4, form.BrowseButton, form.CheckBox1, form.OkButton, form.Edit2};
        const auto nextTab = [](QWidget* widget) {
            do
                widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus));
            return widget;
        };
        for (int i = 0; i + 1 < order.size(); ++i)
            QCOMPARE(nextTab(order[i]), order[i + 1]);
    }

    void okStoresAndSilentlyKeepsABadIconNumber()
    {
        for (const char* bad : {"-1", "abc", "", "1.5", "99999999999", "3x"}) {
            TIni ini = StoredIni();
            TLanguage lang(ini, "/nonexistent");
            THideForm form(ini, lang);
            form.Edit1->setText(QStringLiteral("Tabellen"));
            form.Edit2->setText(QString());
            form.Edit3->setText(QStringLiteral("calc.ico"));
            form.Edit4->setText(QString::fromLatin1(bad));
            form.CheckBox1->setChecked(true);
            form.OkButton->click();
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(ini.BossIconNumber(), 7);
            QCOMPARE(ini.BossTitle(), std::string("Tabellen"));
            QCOMPARE(ini.BossPassword(), std::string());
            QCOMPARE(ini.BossFile(), std::string("calc.ico"));
            QVERIFY(ini.BossEnable());
        }
        TIni ini = StoredIni();
        TLanguage lang(ini, "/nonexistent");
        THideForm form(ini, lang);
        QCOMPARE(form.windowTitle(), QStringLiteral("Disguise settings")); // built-in without a pack
        form.Edit4->setText(QStringLiteral(" 12 "));
        form.Edit1->setText(QStringLiteral("Ελληνικά"));
        form.OkButton->click();
        QCOMPARE(ini.BossIconNumber(), 12);
        QCOMPARE(FromPack(ini.BossTitle()), QStringLiteral("Ελληνικά"));
    }

    void closeBoxDiscardsAndPasswordIsCapped()
    {
        TIni ini = StoredIni();
        TLanguage lang(ini, "/nonexistent");
        THideForm form(ini, lang);
        form.Edit1->setText(QStringLiteral("changed"));
        form.Edit2->setText(QString(300, QLatin1Char('p')));
        QCOMPARE(form.Edit2->text().size(), 255); // longer could never be typed into the password box
        form.CheckBox1->setChecked(true);
        form.close();
        QCOMPARE(ini.BossTitle(), std::string("Notes"));
        QCOMPARE(ini.BossPassword(), std::string("Geheim"));
        QVERIFY(!ini.BossEnable());
    }

    void browseFillsTheFullName()
    {
        TIni ini = StoredIni();
        TLanguage lang(ini, "/nonexistent");
        THideForm form(ini, lang);
        QFileDialog* dialog = form.OpenDialog();
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QVERIFY(dialog->filter().testFlag(QDir::Hidden));
        QVERIFY(dialog->nameFilters().first().contains(QStringLiteral("*.ico")));
        QVERIFY(dialog->nameFilters().first().contains(QStringLiteral("*.desktop")));

        const QString picked = QString::fromUtf8(STAKOR_SOURCE_DATA_DIR "/icons/vexamo-stakor-48.png");
        form.RunOpenDialog = [&](QFileDialog& d) {
            d.selectFile(picked);
            return true;
        };
        form.BrowseButton->click();
        QCOMPARE(form.Edit3->text(), QFileInfo(picked).absoluteFilePath());
        form.Edit3->setText(QStringLiteral("kept"));
        form.RunOpenDialog = [](QFileDialog&) { return false; };
        form.BrowseButton->click();
        QCOMPARE(form.Edit3->text(), QStringLiteral("kept"));
    }

    void hideCommandMarksFollowTheSetting()
    {
        TShellWorld w;
        QVERIFY(!w.Form->HideMenuItem->isChecked());
        w.Form->Disguise().OpenSettings = [&] { w.Ini.SetBossEnable(true); };
        w.Form->HideMenuItem->trigger();
        QVERIFY(w.Form->HideMenuItem->isChecked());
        w.Form->Disguise().OpenSettings = [&] { w.Ini.SetBossEnable(false); };
        w.Form->HideMenuItem->trigger();
        QVERIFY(!w.Form->HideMenuItem->isChecked());
    }
};

namespace {
const TRegisterShellTests<HideFormTest> Registered;
}

} // namespace stakor::test

#include "hide_form_test.moc"
