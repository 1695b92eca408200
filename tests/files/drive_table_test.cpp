#include "platform/files/drive_table.h"

#include <gtest/gtest.h>

#include "platform/files.h"

namespace {

bool AnyDirectory(const std::string&) {
    return true;
}

const char kMounts[] =
    "overlay / overlay rw 0 0\n"
    "proc /proc proc rw 0 0\n"
    "tmpfs /tmp tmpfs rw 0 0\n"
    "/dev/sdb1 /mnt/usb\\040stick vfat rw 0 0\n"
    "/dev/sda2 /home ext4 rw 0 0\n"
    "/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
    "/dev/sr0 /media/cdrom iso9660 ro 0 0\n"
    "server:/share /net nfs4 rw 0 0\n"
    "/dev/sda3 /home ext4 rw 0 0\n";

}  // namespace

TEST(DriveTable, LettersFollowMountPointOrderWithoutPseudoFileSystems) {
    platform::DriveList drives =
        platform::AssignDrives(platform::ParseMountTable(kMounts), AnyDirectory);
    ASSERT_EQ(drives.size(), 5u);
    EXPECT_EQ(drives[0].letter, 'C');
    EXPECT_EQ(drives[0].mount_point, "/");
    EXPECT_EQ(drives[1].mount_point, "/home");  // one drive for the stacked mount
    EXPECT_EQ(drives[2].mount_point, "/media/cdrom");
    EXPECT_EQ(drives[2].type, DRIVE_CDROM);
    EXPECT_EQ(drives[3].mount_point, "/mnt/usb stick");
    EXPECT_EQ(drives[4].letter, 'G');
    EXPECT_EQ(drives[4].type, DRIVE_REMOTE);
}

TEST(DriveTable, MountPointsThatAreNotFoldersAreLeftOut) {
    auto mounts = platform::ParseMountTable(
        "/dev/sda1 /etc/hosts ext4 rw 0 0\n/dev/sda1 /work ext4 rw 0 0\n");
    platform::DriveList drives =
        platform::AssignDrives(mounts, [](const std::string& path) { return path == "/work"; });
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[1].letter, 'D');
    EXPECT_EQ(drives[1].mount_point, "/work");
}

TEST(DriveTable, NativePathsBelongToTheDeepestMount) {
    platform::DriveList drives =
        platform::AssignDrives(platform::ParseMountTable(kMounts), AnyDirectory);
    EXPECT_EQ(platform::DriveOfNativePath(drives, "/home/me").letter, 'D');
    EXPECT_EQ(platform::DriveOfNativePath(drives, "/homework").letter, 'C');
    EXPECT_EQ(platform::DriveOfNativePath(drives, "/tmp/x").letter, 'C');
}

TEST(DriveTable, SystemDrivesAlwaysIncludeTheRootAsC) {
    EXPECT_NE(GetLogicalDrives() & (1u << 2), 0u);
    EXPECT_EQ(GetDriveTypeA("C:\\"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveTypeA("Z:\\") == DRIVE_NO_ROOT_DIR || (GetLogicalDrives() & (1u << 25)),
              true);
    EXPECT_EQ(platform::ToNativePath("C:\\usr\\lib"), "/usr/lib");
    EXPECT_EQ(platform::ToNativePath("c:\\"), "/");
}
