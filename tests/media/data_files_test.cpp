// The readers of the data files read at start-up (cues, sprite sheets, pictures) take
// regular files only, and read the shipped pictures as the toolkit would.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QImageReader>
#include <filesystem>

#include "fifo_guard.h"
#include "media/bitmap_picture.h"
#include "media/dib.h"
#include "media/wave.h"
#include "platform/paths.h"

namespace prismcrate {
namespace {

namespace fs = std::filesystem;

// A FIFO (a plain open waits on it for a writer), a folder and a device that never ends
// are each refused at once as a file that cannot be opened, and leave what was loaded.
TEST(DataFiles, WhatIsNotARegularFileIsRefusedAtOnce) {
    char name[] = "/tmp/prismcrate_data_files_XXXXXX";
    ASSERT_NE(::mkdtemp(name), nullptr);
    const std::string dir = name;
    testing::FifoGuard guard;
    const std::string fifo = dir + "/tiles1.bmp";
    ASSERT_TRUE(guard.make(fifo));
    for (const std::string& path : {fifo, dir, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        const std::string error = "Cannot open file " + path;
        TWave wave;
        wave.SetPCM(PcmFormat{1, 1, 8000, 8000, 1, 8}, {1, 2, 3});
        try {
            wave.LoadFromFile(path);
            ADD_FAILURE() << "the wave was read";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.what(), error);
        }
        EXPECT_EQ(wave.Size(), 3u);
        TDIB dib(DibImage{1, 1, 24, {0xFF123456u}});
        try {
            dib.LoadFromFile(path);
            ADD_FAILURE() << "the bitmap was read";
        } catch (const EFOpenError& e) {
            EXPECT_EQ(e.what(), error);
        }
        EXPECT_EQ(dib.Width(), 1);
        EXPECT_TRUE(readBitmapPicture(path).isNull());
    }
    EXPECT_FALSE(guard.timedOut()) << "a reader waited on the FIFO";
    fs::remove_all(dir);
}

// The window's pictures, read by the program's own bitmap reader, are what the toolkit's
// reader makes of the same files.
TEST(DataFiles, ShippedPicturesReadAsTheToolkitReadsThem) {
    for (const char* name : {"palette.bmp", "about.bmp"}) {
        SCOPED_TRACE(name);
        const fs::path path = fs::path(PRISMCRATE_SOURCE_DIR) / "assets" / name;
        const QImage ours = readBitmapPicture(path.string());
        QImageReader reader(QString::fromStdString(path.string()));
        const QImage theirs = reader.read().convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(theirs.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(ours.format(), QImage::Format_RGB32);
        EXPECT_EQ(ours, theirs);
    }
}

}  // namespace
}  // namespace prismcrate
