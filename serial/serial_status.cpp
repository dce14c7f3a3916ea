#include "serial/serial_status.h"

#include <cerrno>

SerialStatus StatusFromErrno(int error)
{
    switch (error) {
    case 0:
        return StatusSuccess;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    // A path that is too long or runs through a file names no device either.
    case ENAMETOOLONG:
    case ENOTDIR:
        return StatusFileNotFound;
    case EACCES:
    case EBUSY:
    case EPERM:
    case EWOULDBLOCK:
        return StatusAccessDenied;
    case EBADF:
        return StatusNotOpen;
    case EINVAL:
        return StatusInvalidParameter;
    default:
        return ErrnoStatusBase | static_cast<SerialStatus>(error);
    }
}
