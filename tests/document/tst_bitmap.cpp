#include <QtTest>

class CTestPlaceholder : public QObject {
    Q_OBJECT
};

QTEST_MAIN(CTestPlaceholder)
#include "tst_bitmap.moc"
