#include "Wave.h"

#include <QTest>

#include <cmath>
#include <numbers>

class WaveTest : public QObject
{
    Q_OBJECT

private slots:
    void widthOf400GivesPointsEveryTwoPixels()
    {
        const Wave wave{1.5, 2.0, 0.3, 0.4};
        const auto points = wave.points(QSizeF(400, 44));
        QCOMPARE(points.size(), std::size_t(201));
        for (std::size_t k = 0; k < points.size(); ++k)
            QCOMPARE(points[k].x(), 2.0 * k);
        // The envelope is zero at both edges.
        QCOMPARE(points.front().y(), 22.0);
        QCOMPARE(points.back().y(), 22.0);
    }

    void lastPointMayLieJustBeyondTheEdge()
    {
        const Wave wave{1.5, 2.0, 0.0, 0.5};
        const auto points = wave.points(QSizeF(401, 44));
        QCOMPARE(points.size(), std::size_t(202));
        QCOMPARE(points.back().x(), 402.0);
    }

    void zeroAmplitudeIsAFlatLineAtMidHeight()
    {
        for (const WaveLayer &layer : WaveMath::layers(0.0)) {
            const Wave wave{1.5, 2.0, 1.234, layer.normedAmplitude};
            for (const QPointF &p : wave.points(QSizeF(400, 44)))
                QCOMPARE(p.y(), 22.0);
        }
    }

    void pointsFollowTheFormula()
    {
        const double w = 300, h = 60, phase = 2.0, amp = 0.35;
        const Wave wave{1.5, 2.0, phase, amp};
        const auto points = wave.points(QSizeF(w, h));
        const std::size_t k = 40; // x = 80
        const double x = 80, nx = (x - w / 2) / (w / 2);
        const double expected = h / 2 + h / 2 * amp * (1 - nx * nx) * std::sin(1.5 * 2 * std::numbers::pi * x / w + phase);
        QCOMPARE(points[k].x(), x);
        QVERIFY(std::abs(points[k].y() - expected) < 1e-9);
        // In the middle the envelope is 1: the deflection is the full amplitude there.
        const Wave crest{1.5, 2.0, std::numbers::pi / 2 - 1.5 * std::numbers::pi, 0.5};
        QVERIFY(std::abs(crest.points(QSizeF(400, 44))[100].y() - (22 + 11)) < 1e-9);
    }

    void degenerateSizesDrawNothing_data()
    {
        QTest::addColumn<double>("width");
        QTest::newRow("zero width") << 0.0;
        QTest::newRow("negative width beyond step") << -5.0;
    }

    void degenerateSizesDrawNothing()
    {
        QFETCH(double, width);
        const Wave wave{1.5, 2.0, 0.0, 0.5};
        QVERIFY(wave.points(QSizeF(width, 44)).empty());
        QVERIFY(wave.path(QSizeF(width, 44)).isEmpty());
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

    void layerStyles()
    {
        const auto layers = WaveMath::layers(0.5);
        const double opacities[] = {1.0, 0.8667, 0.7333, 0.6};
        const double widths[] = {1.5, 0.75, 0.5, 0.375};
        for (int i = 0; i < WaveMath::layerCount; ++i) {
            QVERIFY(std::abs(layers[i].opacity - opacities[i]) < 1e-4);
            QCOMPARE(layers[i].lineWidth, widths[i]);
        }
    }

    void scaledAmplitudeBoostsLowViews()
    {
        QVERIFY(std::abs(WaveMath::scaledAmplitude(0.15, 44) - 0.272727) < 1e-5);
        QCOMPARE(WaveMath::scaledAmplitude(0.15, 80), 0.15);
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
