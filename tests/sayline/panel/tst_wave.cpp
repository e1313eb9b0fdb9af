#include "Wave.h"

#include <QTest>

#include <cmath>
#include <numbers>

class WaveTest : public QObject
{
    Q_OBJECT

private slots:
    void sampling_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("count");
        QTest::newRow("every two pixels") << 400.0 << 201;
        QTest::newRow("last point just beyond the edge") << 401.0 << 202;
        QTest::newRow("zero width") << 0.0 << 0;
        QTest::newRow("negative width beyond step") << -5.0 << 0;
    }

    // Points every two pixels; the envelope is zero at both edges.
    void sampling()
    {
        QFETCH(double, width);
        QFETCH(int, count);
        const Wave wave{1.5, 2.0, 0.3, 0.4};
        const auto points = wave.points(QSizeF(width, 44));
        QCOMPARE(int(points.size()), count);
        QCOMPARE(wave.path(QSizeF(width, 44)).isEmpty(), count == 0);
        for (std::size_t k = 0; k < points.size(); ++k)
            QCOMPARE(points[k].x(), 2.0 * k);
        if (count > 0 && width == 400.0) {
            QCOMPARE(points.front().y(), 22.0);
            QCOMPARE(points.back().y(), 22.0);
        }
    }

    void amplitudeSetsTheDeflection()
    {
        for (const WaveLayer &layer : WaveMath::layers(0.0)) {
            const Wave flat{1.5, 2.0, 1.234, layer.normedAmplitude};
            for (const QPointF &p : flat.points(QSizeF(400, 44)))
                QCOMPARE(p.y(), 22.0);
        }
        // In the middle the envelope is 1: a crest there deflects by the full amplitude (y down).
        const Wave crest{1.5, 2.0, std::numbers::pi / 2 - 1.5 * std::numbers::pi, 0.5};
        QVERIFY(std::abs(crest.points(QSizeF(400, 44))[100].y() - (22 + 11)) < 1e-9);
    }

    void layerAmplitudes_data()
    {
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<double>("height");
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("resting level in the panel") << 0.15 << 44.0 << QList<double>{0.1909, 0.1091, 0.0273, 0.0};
        QTest::newRow("full level in the panel") << 1.0 << 44.0 << QList<double>{0.5, 0.5, 0.1818, 0.0};
        QTest::newRow("tall view uses the raw value") << 0.5 << 100.0 << QList<double>{0.35, 0.2, 0.05, 0.0};
    }

    void layerAmplitudes()
    {
        QFETCH(double, amplitude);
        QFETCH(double, height);
        QFETCH(QList<double>, expected);
        const auto layers = WaveMath::layers(WaveMath::scaledAmplitude(amplitude, height));
        for (int i = 0; i < WaveMath::layerCount; ++i)
            QVERIFY2(std::abs(layers[i].normedAmplitude - expected[i]) < 1e-4,
                     qPrintable(QStringLiteral("layer %1: %2").arg(i).arg(layers[i].normedAmplitude)));
    }

    void phaseTurnsOncePerSecondFromTheReferenceDate()
    {
        const double ref = WaveMath::referenceDateOffset;
        QCOMPARE(WaveMath::phaseAtUnixTime(ref + 1000.0), 0.0);
        QVERIFY(std::abs(WaveMath::phaseAtUnixTime(ref + 1000.25) - std::numbers::pi / 2) < 1e-6);
        QVERIFY(std::abs(WaveMath::phase(12.5) - std::numbers::pi) < 1e-12);
    }
};

QTEST_GUILESS_MAIN(WaveTest)
#include "tst_wave.moc"
