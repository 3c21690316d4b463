// The CD page's preview on the engine's preview channel, rendered on the offline device:
// what the operator hears is the track on the disc image, sample for sample.
#include "core/Limits.h"
#include "support/ShowRig.h"
#include "support/TestEnvironment.h"
#include "tools/cd/CdDrive.h"
#include "tools/ui/ToolsCdPage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>

#include <gtest/gtest.h>

#include <cmath>

namespace kalvor::test {
namespace {

TEST(CdPreview, TrackPlaysOnThePreviewChannelAsItIsOnTheDisc) {
    ShowRig rig;
    const QString dir = freshFolder(QStringLiteral("preview"));
    // One audio track of a square wave at a quarter of full scale, 2 s long.
    QByteArray pcm;
    for (int f = 0; f < 2 * 44100; ++f) {
        const qint16 v = (f / 50) % 2 ? 8192 : -8192;
        for (int side = 0; side < 2; ++side) {
            pcm.append(static_cast<char>(v & 0xff));
            pcm.append(static_cast<char>((v >> 8) & 0xff));
        }
    }
    writeFile(dir + QStringLiteral("/disc.bin"), pcm);
    writeFile(dir + QStringLiteral("/disc.cue"),
              "FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n");
    ToolsCdPage page(*rig.settings, rig.store);
    page.addDiscImage(dir + QStringLiteral("/disc.cue"));
    ASSERT_EQ(page.CDTracks()->count(), 1);
    page.playPreview();
    // The track is read into a file first, on the worker; its end is posted back here.
    QElapsedTimer waited;
    waited.start();
    while (!KAE__Channel_IsPlaying(kPreviewChannel) && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(KAE__Channel_IsPlaying(kPreviewChannel));
    const Block heard = rig.renderMs(300);
    EXPECT_NEAR(heard.peak(0), 0.25, 0.01);
    page.releaseCdDrive();
    EXPECT_FALSE(KAE__Channel_IsPlaying(kPreviewChannel)) << "closing stops the preview";
}

} // namespace
} // namespace kalvor::test
