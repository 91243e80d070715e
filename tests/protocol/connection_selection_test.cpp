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
  TCommPortDriver COMM{timers, os};
  RecordingHost host;
};

TEST(ConnectionSelection, DefaultSettingsOpenCom1At4800EvenParity) {
  EXPECT_EQ(PortSettings{}, (PortSettings{0, 2, 1, 0}));
  DriverRig d;
  d.COMM.setComPortStopBits(sb2BITS);
  d.COMM.setComPortSwHandshaking(shXONXOFF);
  ASSERT_TRUE(ApplyPortSettings(d.COMM, PortSettings{}, d.host));
  EXPECT_TRUE(d.COMM.connected());
  EXPECT_EQ(d.os.opened, std::vector<std::string>{"/dev/ttyS0"});
  EXPECT_EQ(d.COMM.ComPort(), pnCOM1);
  EXPECT_EQ(d.COMM.ComPortSpeed(), br4800);
  EXPECT_EQ(d.COMM.ComPortParity(), ptEVEN);
  EXPECT_EQ(d.COMM.ComPortStopBits(), sb1BITS);
  EXPECT_EQ(d.COMM.ComPortDataBits(), db8BITS);
  EXPECT_EQ(d.COMM.ComPortHwHandshaking(), hhNONE);
  EXPECT_EQ(d.COMM.ComPortSwHandshaking(), shNONE);
  EXPECT_FALSE(d.COMM.EnableDTROnOpen());
  EXPECT_EQ(d.os.modemLines & TIOCM_DTR, 0);
  const tcflag_t c = d.os.lastAttributes.c_cflag;
  EXPECT_EQ(c & (PARENB | PARODD | CSTOPB | CSIZE), static_cast<tcflag_t>(PARENB | CS8));
  EXPECT_EQ(cfgetospeed(&d.os.lastAttributes), static_cast<speed_t>(B4800));
  EXPECT_TRUE(d.host.errors.empty());
}

TEST(ConnectionSelection, IndicesMapToTheDriversOwnNames) {
  DriverRig d;
  ASSERT_TRUE(ApplyPortSettings(d.COMM, PortSettings{3, 5, 2, 0}, d.host));
  EXPECT_EQ(d.os.opened.back(), "/dev/ttyS3");
  EXPECT_EQ(d.COMM.ComPortSpeed(), br38400);
  EXPECT_EQ(d.COMM.ComPortParity(), ptODD);
  ASSERT_TRUE(ApplyPortSettings(d.COMM, PortSettings{1, 0, 0, 0}, d.host));
  EXPECT_EQ(d.os.opened.back(), "/dev/ttyS1");
  EXPECT_EQ(d.COMM.ComPortSpeed(), br1200);
  EXPECT_EQ(d.COMM.ComPortParity(), ptNONE);
  // Indices outside their tables leave the values as they were.
  ASSERT_TRUE(ApplyPortSettings(d.COMM, PortSettings{4, 6, 3, 9}, d.host));
  EXPECT_EQ(d.COMM.ComPort(), pnCOM2);
  EXPECT_EQ(d.COMM.ComPortSpeed(), br1200);
  EXPECT_EQ(d.COMM.ComPortParity(), ptNONE);
  EXPECT_EQ(d.COMM.ComPortStopBits(), sb1BITS);
}

TEST(ConnectionSelection, AMissingPortIsReportedAndAValidOneOpensLater) {
  DriverRig d;
  d.os.existing.erase("/dev/ttyS2");
  EXPECT_FALSE(ApplyPortSettings(d.COMM, PortSettings{2, 3, 0, 0}, d.host));
  EXPECT_EQ(d.host.errors, std::vector<std::string>{"COM port setting error !"});
  EXPECT_FALSE(d.COMM.connected());
  EXPECT_TRUE(ApplyPortSettings(d.COMM, PortSettings{1, 3, 0, 0}, d.host));
  EXPECT_TRUE(d.COMM.connected());
  EXPECT_EQ(d.host.errors.size(), 1u);
}

TEST(ConnectionSelection, WithoutUsbAtStartUpTheSerialLinkStaysForTheRun) {
  Rig r;
  r.session->startUp(PortSettings{});
  EXPECT_EQ(r.host.informations, std::vector<std::string>{"USB is not available."});
  EXPECT_EQ(r.host.label1, "FrameRate = ");
  EXPECT_FALSE(r.session->linkChoice().USB1Enabled);
  EXPECT_TRUE(r.session->linkChoice().Com1Checked);
  EXPECT_FALSE(r.session->USB1Click());
  EXPECT_FALSE(r.session->Timer3().active());
  WaveformBlock restored;
  restored.setLinkUsb(1);
  r.usbState->present = true;  // plugged in after start-up: still not used
  r.session->firstShow(&restored);
  EXPECT_FALSE(r.session->linkChoice().USB1Checked);
  EXPECT_FALSE(r.session->Timer3().active());
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
    EXPECT_TRUE(r.session->UsbActive());
    WaveformBlock restored;
    restored.setLinkUsb(static_cast<uint8_t>(linkUsb));
    r.session->firstShow(&restored);
    EXPECT_EQ(r.session->linkChoice().USB1Checked, linkUsb == 1);
    EXPECT_EQ(r.session->linkChoice().Com1Checked, linkUsb != 1);
    EXPECT_EQ(r.session->Timer3().active(), linkUsb == 1);
    EXPECT_EQ(r.session->block().LinkUsb(), linkUsb == 1 ? 1 : 0);
    EXPECT_TRUE(r.session->Timer2().active());
  }
  Rig r;
  r.usbState->present = true;
  r.session->startUp(PortSettings{});
  r.session->firstShow(nullptr);  // nothing restored
  EXPECT_TRUE(r.session->linkChoice().Com1Checked);
}

TEST(ConnectionSelection, FramesGoOverUsbOnlyWhileItIsOpenAndChosen) {
  Rig r;
  r.instrumentSilent = true;
  r.startUsb();
  r.session->sender().SendSetting(8, 6);
  EXPECT_EQ(r.usbFrames().size(), 1u);
  EXPECT_TRUE(r.serialFrames().empty());

  r.session->Com1Click();  // the device stays open, the poll stops
  EXPECT_TRUE(r.session->UsbActive());
  EXPECT_FALSE(r.session->Timer3().active());
  EXPECT_EQ(r.session->block().LinkUsb(), 0);
  r.session->sender().SendSetting(8, 6);
  EXPECT_EQ(r.serialFrames().size(), 1u);

  // Bytes that arrive while Comm is chosen are read once USB is chosen again.
  const std::string reply = testing::settingReply(5, 8);
  r.usbState->rx = reply;
  r.timers.advance(100);
  EXPECT_EQ(r.usbState->rx.size(), reply.size());
  ASSERT_TRUE(r.session->USB1Click());
  EXPECT_EQ(r.session->block().LinkUsb(), 1);
  r.timers.advance(1);
  EXPECT_TRUE(r.usbState->rx.empty());
  EXPECT_EQ(r.session->block().Ch1VoltDivIndex(), 8);

  r.usbState->lost = true;  // USB1 stays checked, but the device is gone
  r.timers.advance(1);
  ASSERT_FALSE(r.session->UsbActive());
  r.session->sender().SendSetting(3, 6);
  EXPECT_EQ(r.serialFrames().back(), "0006000400030013");
  EXPECT_EQ(r.usbFrames().size(), 1u);
}

}  // namespace
}  // namespace corvane
