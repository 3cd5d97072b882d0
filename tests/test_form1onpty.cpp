// The window over a real serial port: a simulated projector on a pseudo-terminal as COM1.
// Clicks put their bytes on the line, and what the projector says reaches the labels.

#include "programrig.h"
#include "pseudoterminal.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class TestForm1OnPty : public QObject
{
    Q_OBJECT

private slots:
    void clicksPutTheirBytesOnTheLine();
    void repliesShowInTheLabels();
};

void TestForm1OnPty::clicksPutTheirBytesOnTheLine()
{
    ProgramRig rig;
    QSignalSpy lineBytes(rig.projector.get(), &SimulatedProjector::bytesReceived);
    QByteArray line;
    for (const char *button : {"Command17", "Command10", "Command44", "Command54"})
        rig.click(button);
    QVERIFY(waitFor([&] {
        for (; !lineBytes.isEmpty(); lineBytes.removeFirst())
            line += lineBytes.constFirst().constFirst().toByteArray();
        return line.size() >= 16;
    }));
    QCOMPARE(line, "C00\rC12\rCR0\rCR6\r");
}

void TestForm1OnPty::repliesShowInTheLabels()
{
    ProgramRig rig;
    rig.click("Command44");
    QVERIFY(waitFor([&] { return rig.label("Label22") == " Stand by"; }));
    QCOMPARE(rig.label("Label12"), " 8 0 CR ");
    QCOMPARE(rig.label("Label11"), " C R 0 CR ");
    rig.clock.advance(1000); // the exchange closes and the labels clear
    QCOMPARE(rig.label("Label22"), "");

    // A query that only the command box can send.
    QTest::keyClicks(rig.control("Text1"), "CR PRESSURE");
    rig.click("Command95");
    QVERIFY(waitFor([&] { return rig.label("Label22") == "1013 hPa"; }));
    QCOMPARE(rig.label("Label12"), " 8 5 3 CR ");
}

QTEST_MAIN(TestForm1OnPty)
#include "test_form1onpty.moc"
