// The custom check box and option button: defaults, how they follow the mouse, and their look.
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "ui/controls/simple_check_box.h"
#include "ui/controls/simple_option_button.h"
#include "ui/ui_suite.h"

using namespace lumivex::ui;

namespace {

// Mouse events sent straight to the control, at positions that may lie outside it (where Qt's
// implicit grab would deliver them while the button is down).
void send(QWidget* widget, QEvent::Type type, QPoint position, Qt::MouseButton button = Qt::LeftButton) {
  Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::MouseButtons(button)
                          : type == QEvent::MouseMove      ? Qt::MouseButtons(button)
                                                           : Qt::NoButton;
  Qt::MouseButton changed = type == QEvent::MouseMove ? Qt::NoButton : button;
  QMouseEvent event(type, QPointF(position), widget->mapToGlobal(QPointF(position)), changed, held,
                    Qt::NoModifier);
  QCoreApplication::sendEvent(widget, &event);
}

void click(QWidget* widget, QPoint at = QPoint(8, 8)) {
  send(widget, QEvent::MouseButtonPress, at);
  send(widget, QEvent::MouseButtonRelease, at);
}

QColor shown(const SimpleControl& control, int x, int y) { return QColor(control.image().pixel(x, y)); }

struct Form {
  QWidget window;
  SimpleCheckBox* check;
  SimpleOptionButton* option;
  Form() {
    window.resize(300, 100);
    check = new SimpleCheckBox("chkSample", &window);
    check->setGeometry(10, 10, 185, 17);
    option = new SimpleOptionButton("optSample", &window);
    option->setGeometry(10, 40, 185, 17);
    window.show();
  }
};

}  // namespace

class SimpleControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void newControlHasItsDefaults() {
    QWidget form;
    SimpleCheckBox box("chkNew", &form);
    QCOMPARE(box.Caption(), QString("chkNew"));
    QVERIFY(box.isEnabled());
    QVERIFY(!box.Selected());
    QCOMPARE(box.ForeColor(), QColor(0, 0, 0));
    QVERIFY(!box.BackColor().isValid());
    QCOMPARE(box.ToolTip(), QString());
    QVERIFY(!box.hasToolTipWindow());
    QCOMPARE(box.width(), 65);  // 975 twips
    QCOMPARE(box.font(), form.font());
  }

  void hiddenControlPaintsAtItsOwnSize() {
    QWidget form;
    SimpleOptionButton button("optHidden", &form);
    button.setGeometry(0, 0, 120, 21);
    button.setSelected(true);
    QCOMPARE(button.image().size(), QSize(120, 21));
    QCOMPARE(QColor(button.image().pixel(8, 11)), QColor(60, 180, 50));  // the dot, centred on row 11
  }

  void clickTogglesCheckBox() {
    Form form;
    QSignalSpy clicks(form.check, &SimpleControl::Click);
    click(form.check);
    QVERIFY(form.check->Selected());
    QCOMPARE(clicks.count(), 1);
    QVERIFY(form.check->isHot());
    QVERIFY(!form.check->isPressed());
    click(form.check);
    QVERIFY(!form.check->Selected());
    QCOMPARE(clicks.count(), 2);
  }

  void releaseOutsideChangesNothing_data() {
    QTest::addColumn<QPoint>("release");
    QTest::newRow("left of it") << QPoint(-3, 8);
    QTest::newRow("below it") << QPoint(8, 40);
    QTest::newRow("on the right edge") << QPoint(185, 8);
    QTest::newRow("on the top edge") << QPoint(8, 0);
  }
  void releaseOutsideChangesNothing() {
    QFETCH(QPoint, release);
    Form form;
    for (SimpleControl* control :
         {static_cast<SimpleControl*>(form.check), static_cast<SimpleControl*>(form.option)}) {
      QSignalSpy clicks(control, &SimpleControl::Click);
      send(control, QEvent::MouseButtonPress, QPoint(8, 8));
      QVERIFY(control->isPressed() && control->isHot() && control->isArmed());
      send(control, QEvent::MouseMove, release);
      send(control, QEvent::MouseButtonRelease, release);
      QVERIFY(!control->Selected());
      QCOMPARE(clicks.count(), 0);
      QVERIFY(!control->isHot());
      QVERIFY(!control->isPressed());
      QVERIFY(!control->isArmed());
    }
  }

  void hotFollowsThePointer() {
    Form form;
    send(form.check, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton);
    QVERIFY(form.check->isHot());
    send(form.check, QEvent::MouseMove, QPoint(-1, 5), Qt::NoButton);
    QVERIFY(!form.check->isHot());
    send(form.check, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(form.check, &leave);
    QVERIFY(!form.check->isHot());
  }

  void onlyTheLeftButtonClicks() {
    Form form;
    QSignalSpy clicks(form.check, &SimpleControl::Click);
    send(form.check, QEvent::MouseButtonPress, QPoint(8, 8), Qt::RightButton);
    send(form.check, QEvent::MouseButtonRelease, QPoint(8, 8), Qt::RightButton);
    QVERIFY(!form.check->isArmed());
    QVERIFY(!form.check->Selected());
    QCOMPARE(clicks.count(), 0);
  }

  void releaseWithoutPressIsIgnored() {
    Form form;
    QSignalSpy clicks(form.check, &SimpleControl::Click);
    send(form.check, QEvent::MouseButtonRelease, QPoint(8, 8));
    QCOMPARE(clicks.count(), 0);
    QVERIFY(!form.check->Selected());
  }

  void disabledControlIgnoresTheMouse() {
    Form form;
    form.check->setEnabled(false);
    QSignalSpy clicks(form.check, &SimpleControl::Click);
    QTest::mouseClick(form.check, Qt::LeftButton, {}, QPoint(8, 8));
    QCOMPARE(clicks.count(), 0);
    QVERIFY(!form.check->Selected());
  }

  void selectingAnOptionButtonTwiceClicksTwice() {
    Form form;
    QSignalSpy clicks(form.option, &SimpleControl::Click);
    click(form.option);
    click(form.option);
    QVERIFY(form.option->Selected());
    QCOMPARE(clicks.count(), 2);
  }

  void selectedFromCodeRepaintsWithoutClick() {
    Form form;
    QSignalSpy clicks(form.check, &SimpleControl::Click);
    QImage before = form.check->image();
    form.check->setSelected(true);
    QVERIFY(form.check->image() != before);
    QCOMPARE(clicks.count(), 0);
  }

  void toolTipExistsOnlyWithText() {
    Form form;
    QVERIFY(!form.check->hasToolTipWindow());
    form.check->setToolTipText("Keeps the camera data");
    QVERIFY(form.check->hasToolTipWindow());
    QCOMPARE(form.check->toolTip(), QString("Keeps the camera data"));
    form.check->setToolTipText("");
    QVERIFY(!form.check->hasToolTipWindow());
    QCOMPARE(form.check->toolTip(), QString());
  }

  // At a height of 17 pixels: the face fills rows 3..13 and columns 3..12, the frame runs round
  // rows and columns 2..13 (over the face's last row), the mark fills rows 5..11, columns 5..10.
  void checkBoxGlyphPixels() {
    Form form;
    form.check->setBackColor(QColor(200, 210, 220));
    QCOMPARE(shown(*form.check, 0, 0), QColor(200, 210, 220));
    QCOMPARE(shown(*form.check, 2, 2), QColor(128, 128, 128));
    QCOMPARE(shown(*form.check, 13, 13), QColor(128, 128, 128));
    QCOMPARE(shown(*form.check, 3, 13), QColor(128, 128, 128));
    QCOMPARE(shown(*form.check, 13, 14), QColor(200, 210, 220));
    QCOMPARE(shown(*form.check, 14, 8), QColor(200, 210, 220));
    QCOMPARE(shown(*form.check, 3, 12), QColor(255, 255, 255));  // the face's two far strips are white
    QCOMPARE(shown(*form.check, 3, 11), QColor(253, 253, 254));  // white + (face - white) * 1 / 11
    QCOMPARE(shown(*form.check, 3, 3), QColor(239, 239, 249));   // white + (face - white) * 9 / 11
    form.check->setSelected(true);
    QCOMPARE(shown(*form.check, 7, 10), QColor(60, 150, 40));  // the mark's far strips
    QCOMPARE(shown(*form.check, 7, 5), QColor(60, 171, 47));   // end + (green - end) * 5 / 7
    form.check->setEnabled(false);
    QCOMPARE(shown(*form.check, 7, 10), QColor(60, 150, 40));
    QCOMPARE(shown(*form.check, 7, 5), QColor(103, 129, 97));  // end + (grey - end) * 5 / 7
  }

  void hotCheckBoxHasAnOrangeOutline() {
    Form form;
    send(form.check, QEvent::MouseMove, QPoint(5, 5), Qt::NoButton);
    QCOMPARE(shown(*form.check, 3, 3), QColor(240, 180, 80));
    QCOMPARE(shown(*form.check, 4, 4), QColor(240, 180, 80));  // two pixels thick
  }

  void optionButtonDotIsGreen() {
    Form form;
    form.option->setSelected(true);
    // Rows -0..18 around the middle of 17: the dot is centred on (8.5, 9).
    QCOMPARE(shown(*form.option, 8, 9), QColor(60, 180, 50));
    QCOMPARE(shown(*form.option, 0, 0), form.option->palette().color(QPalette::Window));
    form.option->setEnabled(false);
    QCOMPARE(shown(*form.option, 8, 9), QColor(60, 180, 50));
  }

  void captionIsDrawnRightOfTheGlyph() {
    Form form;
    form.check->setCaption("Copy EXIF data from source");
    QImage image = form.check->image();
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 17; x < image.width(); ++x)
        if (qGray(image.pixel(x, y)) < 100) ++dark;
    QVERIFY(dark > 20);
    form.check->setCaption("");
    image = form.check->image();
    for (int y = 0; y < image.height(); ++y)
      for (int x = 17; x < image.width(); ++x) QCOMPARE(image.pixel(x, y), image.pixel(image.width() - 1, 0));
  }
};

LUMIVEX_UI_TEST(SimpleControlsTest);

#include "simple_controls_test.moc"
