// Which hidden files a save may remove: only those of exactly its own name form,
// made on this machine in this boot by a process that no longer runs, and owned
// by the user. Anything else in a shared folder stays.
#include "document/newfilename.h"

#include <QTest>

using namespace wimblet;

namespace {

const QByteArray kBoot = "0123456789abcdef0123456789abcdef";
const QByteArray kHere = ".wimblet-box-1.lan-" + kBoot + "-4026531836-";

const FileMaker kSelf {"box-1.lan", kBoot, 4026531836, 77, 900};

// Process 4242 runs, started at tick 777.
bool processRuns(quint64 pid, quint64 startTime)
{
    return pid == 4242 && startTime == 777;
}

} // namespace

class TestNewFileName : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void onlyADeadProcesssOwnFileHereShouldBeALeftover_data();
    void onlyADeadProcesssOwnFileHereShouldBeALeftover();
};

void TestNewFileName::onlyADeadProcesssOwnFileHereShouldBeALeftover_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<bool>("regular");
    QTest::addColumn<bool>("owned"); // by the user
    QTest::addColumn<bool>("leftover");
    QTest::newRow("a dead process's file") << kHere + "4242-123456-k3x9" << true << true << true;
    QTest::newRow("a running process's file") << kHere + "4242-777-k3x9" << true << true << false;
    QTest::newRow("another user's") << kHere + "4242-123456-k3x9" << true << false << false;
    QTest::newRow("not a regular file") << kHere + "4242-123456-k3x9" << false << true << false;
    QTest::newRow("made on another host")
        << ".wimblet-box-2.lan-" + kBoot + "-4026531836-4242-123456-k3x9" << true << true << false;
    QTest::newRow("made in another boot")
        << ".wimblet-box-1.lan-" + QByteArray(32, 'e') + "-4026531836-4242-123456-k3x9" << true << true
        << false;
    QTest::newRow("made in another pid namespace")
        << ".wimblet-box-1.lan-" + kBoot + "-4026531837-4242-123456-k3x9" << true << true << false;
    const QList<QPair<const char *, QByteArray>> nearMisses {
        {"a name drawn at random only", ".wimblet-k3x9"},
        {"a capital in the boot id",
         ".wimblet-box-1.lan-" + kBoot.toUpper() + "-4026531836-4242-123456-k3x9"},
        {"a boot id a digit short",
         ".wimblet-box-1.lan-" + kBoot.mid(1) + "-4026531836-4242-123456-k3x9"},
        {"a leading zero", kHere + "04242-123456-k3x9"},
        {"a sign", kHere + "+4242-123456-k3x9"},
        {"a number past 64 bits", kHere + "4242-18446744073709551616-k3x9"},
        {"a capital in the random part", kHere + "4242-123456-K3x9"},
        {"one number more", kHere + "4242-123456-5-k3x9"},
    };
    for (const auto &[why, name] : nearMisses)
        QTest::newRow(why) << name << true << true << false;
}

void TestNewFileName::onlyADeadProcesssOwnFileHereShouldBeALeftover()
{
    QFETCH(QByteArray, name);
    QFETCH(bool, regular);
    QFETCH(bool, owned);
    QFETCH(bool, leftover);
    const uid_t user = 1000;
    const LeftoverQueries ask {[&](QByteArrayView asked) {
                                   struct stat st = {};
                                   st.st_mode = regular ? S_IFREG | 0600 : S_IFLNK | 0777;
                                   st.st_uid = owned ? user : user + 1;
                                   return asked == name ? std::optional(st) : std::nullopt;
                               },
                               processRuns};
    QCOMPARE(isLeftover(name, kSelf, user, ask), leftover);
}

QTEST_GUILESS_MAIN(TestNewFileName)
#include "tst_newfilename.moc"
