// LoadSettings against a system settings folder of the test's own.
#include "drive/PhysicalDrive.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject {
    Q_OBJECT
public:
    TestSettings()
    {
        // The settings folder is fixed at the first use of QSettings.
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(configDirs_.path()) + ":/nonexistent");
    }

private:
    QTemporaryDir configDirs_;
    int stores_ = 0;

    QString ConfFile() const { return configDirs_.path() + "/Orvendal/Korvalith WIN.conf"; }

    void Store(const QByteArray& content)
    {
        QDir().mkpath(configDirs_.path() + "/Orvendal");
        QFile file(ConfFile());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.flush();
        // QSettings keeps a parsed file while its size and time stay the
        // same; each stored file gets a time of its own.
        file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000 + 60 * ++stores_), QFileDevice::FileModificationTime);
    }

    QByteArray Stored() const
    {
        QFile file(ConfFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        QFile::setPermissions(ConfFile(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(ConfFile());
        lAcceptFixedDriveSizeMaxMB_g = 12345;
    }

    void firstRunCreatesTheDefault()
    {
        QCOMPARE(LoadSettings(), VB_TRUE);
        QCOMPARE(lAcceptFixedDriveSizeMaxMB_g, 4096);
        QVERIFY(Stored().contains("AcceptFixedDriveSizeMaxMB=4096"));

        lAcceptFixedDriveSizeMaxMB_g = 1;
        LoadSettings();
        QCOMPARE(lAcceptFixedDriveSizeMaxMB_g, 4096);
    }

    void storedValueIsUsedAndKept_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("limit");
        QTest::newRow("8192") << QByteArray("8192") << 8192;
        QTest::newRow("0") << QByteArray("0") << 0;
        QTest::newRow("2^31 reads negative") << QByteArray("2147483648") << int(INT32_MIN);
        QTest::newRow("largest 32-bit") << QByteArray("4294967295") << -1;
        QTest::newRow("not a number") << QByteArray("lots") << 4096;
        QTest::newRow("negative text") << QByteArray("-5") << 4096;
        QTest::newRow("beyond 32 bits") << QByteArray("4294967296") << 4096;
    }

    void storedValueIsUsedAndKept()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, limit);
        const QByteArray content = "[General]\nAcceptFixedDriveSizeMaxMB=" + stored + "\nOther=kept\n";
        Store(content);

        LoadSettings();

        QCOMPARE(lAcceptFixedDriveSizeMaxMB_g, limit);
        QCOMPARE(Stored(), content);
    }

    void readOnlyFileIsStillRead()
    {
        Store("[General]\nAcceptFixedDriveSizeMaxMB=8192\n");
        QVERIFY(QFile::setPermissions(ConfFile(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        LoadSettings();

        QCOMPARE(lAcceptFixedDriveSizeMaxMB_g, 8192);
        QCOMPARE(Stored(), QByteArray("[General]\nAcceptFixedDriveSizeMaxMB=8192\n"));
    }

    void otherSettingsSurviveTheDefaultBeingAdded()
    {
        Store("[General]\nOther=kept\n");

        LoadSettings();

        QCOMPARE(lAcceptFixedDriveSizeMaxMB_g, 4096);
        QVERIFY(Stored().contains("Other=kept"));
        QVERIFY(Stored().contains("AcceptFixedDriveSizeMaxMB=4096"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
