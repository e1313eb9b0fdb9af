#include <SettingsCategory.h>
#include <SettingsState.h>

#include <QSignalSpy>
#include <QTest>

class SettingsStateTest : public QObject
{
    Q_OBJECT

private slots:
    void fromRawValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        QTest::newRow("General") << "General" << true;
        QTest::newRow("About") << "About" << true;
        QTest::newRow("lower-case general") << "general" << false;
        QTest::newRow("padded") << " General" << false;
        QTest::newRow("empty") << "" << false;
    }
    void fromRawValue()
    {
        QFETCH(QString, text);
        QFETCH(bool, matches);
        const auto category = SettingsCategory::fromRawValue(text);
        QCOMPARE(category.has_value(), matches);
        if (matches)
            QCOMPARE(category->rawValue(), text);
    }

    void notifiesOnlyOnChange()
    {
        SettingsState state;
        QSignalSpy changed(&state, &SettingsState::selectedCategoryChanged);
        state.setSelectedCategory(SettingsCategory::general);
        QCOMPARE(changed.count(), 0);
        state.setSelectedCategory(SettingsCategory::voice);
        QCOMPARE(changed.count(), 1);
        state.setSelectedCategoryRawValue(QStringLiteral("Voice"));
        QCOMPARE(changed.count(), 1);
        state.setSelectedCategoryRawValue(QStringLiteral("About"));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(state.selectedCategory(), SettingsCategory(SettingsCategory::about));
        // Texts that name no category leave the selection alone.
        state.setSelectedCategoryRawValue(QStringLiteral("about"));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(state.selectedCategory(), SettingsCategory(SettingsCategory::about));
    }
};

QTEST_GUILESS_MAIN(SettingsStateTest)
#include "tst_settings_state.moc"
