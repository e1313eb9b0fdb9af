#include <SettingsCategory.h>
#include <SettingsState.h>

#include <QSignalSpy>
#include <QTest>

class SettingsStateTest : public QObject
{
    Q_OBJECT

private slots:
    void casesInSidebarOrder()
    {
        QStringList rawValues;
        QStringList symbols;
        for (const SettingsCategory category : SettingsCategory::allCases()) {
            rawValues.append(category.rawValue());
            symbols.append(category.symbolName());
            QCOMPARE(category.id(), category.rawValue());
        }
        QCOMPARE(rawValues, (QStringList{"General", "Interface", "Voice", "Transcription", "About"}));
        QCOMPARE(symbols, (QStringList{"gearshape", "inset.filled.topleft.topright.bottomhalf.rectangle",
                                       "music.microphone", "note.text", "info.circle"}));
    }

    void fromRawValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("matches");
        QTest::newRow("General") << "General" << true;
        QTest::newRow("About") << "About" << true;
        QTest::newRow("lower-case general") << "general" << false;
        QTest::newRow("upper-case") << "GENERAL" << false;
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

    void equalityAndHashFollowRawValue()
    {
        QSet<SettingsCategory> set;
        for (const SettingsCategory category : SettingsCategory::allCases())
            set.insert(category);
        set.insert(*SettingsCategory::fromRawValue(QStringLiteral("Voice")));
        QCOMPARE(set.size(), 5);
        QVERIFY(SettingsCategory(SettingsCategory::about) == *SettingsCategory::fromRawValue(QStringLiteral("About")));
        QVERIFY(!(SettingsCategory(SettingsCategory::voice) == SettingsCategory(SettingsCategory::general)));
    }

    void freshStateSelectsGeneral()
    {
        SettingsState state;
        QCOMPARE(state.selectedCategory(), SettingsCategory(SettingsCategory::general));
        QCOMPARE(state.selectedCategoryRawValue(), QStringLiteral("General"));
        QVERIFY(state.path().isEmpty());
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

    void sidebarRowsForQml()
    {
        const QVariantList rows = SettingsState::categories();
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows.at(1).toMap().value("rawValue").toString(), QStringLiteral("Interface"));
        QCOMPARE(rows.at(4).toMap().value("symbolName").toString(), QStringLiteral("info.circle"));
    }
};

QTEST_GUILESS_MAIN(SettingsStateTest)
#include "tst_settings_state.moc"
