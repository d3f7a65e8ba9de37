#pragma once
// A write lease on the file a run transforms: the kernel grants it only while
// no other open file refers to the file (ours included), and tells the holder
// when another program opens the file meanwhile; that program waits until the
// lease is given up, at most /proc/sys/fs/lease-break-time seconds. The
// notice comes as a real-time signal whose handler only raises a flag; the
// transform looks at the flag between chunks and takes the file back to what
// it was. Closing the file gives the lease up.

namespace tsrn::bulk {

class WriteLease {
  public:
    enum class Result {
        Held,      // no other program has the file open
        InUse,     // another open file refers to it
        NotOwner,  // only the file's owner (or CAP_LEASE) may hold a lease
        Refused,   // the file system takes no leases (some network and FUSE ones)
    };

    // Takes the lease on `fd` (open for writing on a regular file) and clears
    // the notice flag.
    [[nodiscard]] static Result Take(int fd);
    // Another program opened the file since Take.
    static bool Broken();
    // The signal the notices come with.
    static int Signal();
};

}  // namespace tsrn::bulk
