// Port settings onto the serial driver, the link choice, start-up and exit, and where frames go.
#include "protocol/connection_selection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session_test_support.h"

namespace corvane {
namespace {

using sessiontest::Rig;
using sessiontest::WireSerialOs;

struct DriverRig {
  ManualTimerService timers;
  WireSerialOs os;
  CommPortDriver port{timers, os};
  RecordingHost host;
};

TEST(ConnectionSelection, DefaultSettingsOpenCom1At4800EvenParity) {
  EXPECT_EQ(PortSettings{}, (PortSettings{0, 2, 1, 0}));
  DriverRig d;
  d.port.setComPortStopBits(sb2BITS);
  d.port.setComPortSwHandshaking(shXONXOFF);
  ASSERT_TRUE(applyPortSettings(d.port, PortSettings{}, d.host));
  EXPECT_TRUE(d.port.connected());
  EXPECT_EQ(d.os.opened, std::vector<std::string>{"/dev/ttyS0"});
  EXPECT_EQ(d.port.comPort(), pnCOM1);
  EXPECT_EQ(d.port.comPortSpeed(), br4800);
  EXPECT_EQ(d.port.comPortParity(), ptEVEN);
  EXPECT_EQ(d.port.comPortStopBits(), sb1BITS);
  EXPECT_EQ(d.port.comPortDataBits(), db8BITS);
  EXPECT_EQ(d.port.comPortHwHandshaking(), hhNONE);
  EXPECT_EQ(d.port.comPortSwHandshaking(), shNONE);
  EXPECT_FALSE(d.port.enableDtrOnOpen());
  EXPECT_EQ(d.os.modemLines & TIOCM_DTR, 0);
  const tcflag_t c = d.os.lastAttributes.c_cflag;
  EXPECT_EQ(c & (PARENB | PARODD | CSTOPB | CSIZE), static_cast<tcflag_t>(PARENB | CS8));
  EXPECT_EQ(cfgetospeed(&d.os.lastAttributes), static_cast<speed_t>(B4800));
  EXPECT_TRUE(d.host.errors.empty());
}

TEST(ConnectionSelection, IndicesMapToTheDriversOwnNames) {
  DriverRig d;
  ASSERT_TRUE(applyPortSettings(d.port, PortSettings{3, 5, 2, 0}, d.host));
  EXPECT_EQ(d.os.opened.back(), "/dev/ttyS3");
  EXPECT_EQ(d.port.comPortSpeed(), br38400);
  EXPECT_EQ(d.port.comPortParity(), ptODD);
  ASSERT_TRUE(applyPortSettings(d.port, PortSettings{1, 0, 0, 0}, d.host));
  EXPECT_EQ(d.os.opened.back(), "/dev/ttyS1");
  EXPECT_EQ(d.port.comPortSpeed(), br1200);
  EXPECT_EQ(d.port.comPortParity(), ptNONE);
  // Indices outside their tables leave the values as they were.
  ASSERT_TRUE(applyPortSettings(d.port, PortSettings{4, 6, 3, 9}, d.host));
  EXPECT_EQ(d.port.comPort(), pnCOM2);
  EXPECT_EQ(d.port.comPortSpeed(), br1200);
  EXPECT_EQ(d.port.comPortParity(), ptNONE);
  EXPECT_EQ(d.port.comPortStopBits(), sb1BITS);
}

TEST(ConnectionSelection, AMissingPortIsReportedAndAValidOneOpensLater) {
  DriverRig d;
  d.os.existing.erase("/dev/ttyS2");
  EXPECT_FALSE(applyPortSettings(d.port, PortSettings{2, 3, 0, 0}, d.host));
  EXPECT_EQ(d.host.errors, std::vector<std::string>{"COM port setting error !"});
  EXPECT_FALSE(d.port.connected());
  EXPECT_TRUE(applyPortSettings(d.port, PortSettings{1, 3, 0, 0}, d.host));
  EXPECT_TRUE(d.port.connected());
  EXPECT_EQ(d.host.errors.size(), 1u);
}

TEST(ConnectionSelection, WithoutUsbAtStartUpTheSerialLinkStaysForTheRun) {
  Rig r;
  r.session->startUp(PortSettings{});
  EXPECT_EQ(r.host.informations, std::vector<std::string>{"USB is not available."});
  EXPECT_EQ(r.host.frameRateText, "FrameRate = ");
  EXPECT_FALSE(r.session->linkChoice().usbAvailable);
  EXPECT_TRUE(r.session->linkChoice().serialChosen);
  EXPECT_FALSE(r.session->chooseUsbLink());
  EXPECT_FALSE(r.session->usbPoll().active());
  WaveformBlock restored;
  restored.setLinkUsb(1);
  r.usbState->present = true;  // plugged in after start-up: still not used
  r.session->firstShow(&restored);
  EXPECT_FALSE(r.session->linkChoice().usbChosen);
  EXPECT_FALSE(r.session->usbPoll().active());
  r.timers.advance(100);
  EXPECT_EQ(r.usbState->opens, 0);
  EXPECT_EQ(r.host.informations.size(), 1u);
  r.session->closeAtExit();
  EXPECT_EQ(r.usbState->closes, 1);  // closed even though never opened, and silently
  EXPECT_TRUE(r.host.errors.empty());
}

TEST(ConnectionSelection, TheRestoredRecordChoosesTheLinkAtFirstShow) {
  for (int linkUsb : {0, 1, 2}) {
    SCOPED_TRACE(linkUsb);
    Rig r;
    r.usbState->present = true;
    r.session->startUp(PortSettings{});
    EXPECT_TRUE(r.host.informations.empty());
    EXPECT_TRUE(r.session->usbActive());
    WaveformBlock restored;
    restored.setLinkUsb(static_cast<uint8_t>(linkUsb));
    r.session->firstShow(&restored);
    EXPECT_EQ(r.session->linkChoice().usbChosen, linkUsb == 1);
    EXPECT_EQ(r.session->linkChoice().serialChosen, linkUsb != 1);
    EXPECT_EQ(r.session->usbPoll().active(), linkUsb == 1);
    EXPECT_EQ(r.session->block().LinkUsb(), linkUsb == 1 ? 1 : 0);
    EXPECT_TRUE(r.session->focusKeeper().active());
  }
  Rig r;
  r.usbState->present = true;
  r.session->startUp(PortSettings{});
  r.session->firstShow(nullptr);  // nothing restored
  EXPECT_TRUE(r.session->linkChoice().serialChosen);
}

TEST(ConnectionSelection, FramesGoOverUsbOnlyWhileItIsOpenAndChosen) {
  Rig r;
  r.instrumentSilent = true;
  r.startUsb();
  r.session->sender().SendSetting(8, 6);
  EXPECT_EQ(r.usbFrames().size(), 1u);
  EXPECT_TRUE(r.serialFrames().empty());

  r.session->chooseSerialLink();  // the device stays open, the poll stops
  EXPECT_TRUE(r.session->usbActive());
  EXPECT_FALSE(r.session->usbPoll().active());
  EXPECT_EQ(r.session->block().LinkUsb(), 0);
  r.session->sender().SendSetting(8, 6);
  EXPECT_EQ(r.serialFrames().size(), 1u);

  // Bytes that arrive while Comm is chosen are read once USB is chosen again.
  const std::string reply = testing::settingReply(5, 8);
  r.usbState->rx = reply;
  r.timers.advance(100);
  EXPECT_EQ(r.usbState->rx.size(), reply.size());
  ASSERT_TRUE(r.session->chooseUsbLink());
  EXPECT_EQ(r.session->block().LinkUsb(), 1);
  r.timers.advance(1);
  EXPECT_TRUE(r.usbState->rx.empty());
  EXPECT_EQ(r.session->block().Ch1VoltDivIndex(), 8);

  r.usbState->lost = true;  // USB stays chosen, but the device is gone
  r.timers.advance(1);
  ASSERT_FALSE(r.session->usbActive());
  r.session->sender().SendSetting(3, 6);
  EXPECT_EQ(r.serialFrames().back(), "0006000400030013");
  EXPECT_EQ(r.usbFrames().size(), 1u);
}

}  // namespace
}  // namespace corvane
