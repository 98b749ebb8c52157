/* Makes a pseudo-terminal look like a serial line to a program that asks
 * for its modem lines or its serial driver's settings: loaded with
 * LD_PRELOAD, it answers those requests for pseudo-terminal descriptors
 * itself (the lines as set, all inputs on) and passes everything else on.
 * Serial terminals such as gtkterm and cutecom give up on a port whose
 * modem lines cannot be read; with this they open a pseudo-terminal like
 * any serial port, so that they can be measured beside the program.
 * gtkterm also looks the port up in udev, which knows no pseudo-terminal:
 * it is given the device of /dev/ptmx instead. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <linux/serial.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

/* Unix98 pseudo-terminal slaves have majors 136 to 143. */
static int IsPtySlave(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return 0;
    return major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

/* One set of lines for all descriptors: the programs measured open one port. */
static int lines = TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_DSR | TIOCM_CD;
static const int kInputs = TIOCM_CTS | TIOCM_DSR | TIOCM_CD;

int ioctl(int fd, unsigned long request, ...) {
    static int (*next)(int, unsigned long, ...);
    if (next == NULL) next = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    va_list args;
    va_start(args, request);
    void* arg = va_arg(args, void*);
    va_end(args);

    switch (request) {
        case TIOCMGET:
        case TIOCMSET:
        case TIOCMBIS:
        case TIOCMBIC:
        case TIOCGSERIAL:
        case TIOCSSERIAL:
        case TIOCMIWAIT:
        case TIOCGICOUNT:
            break;
        default:
            return next(fd, request, arg);
    }
    if (!IsPtySlave(fd)) return next(fd, request, arg);
    switch (request) {
        case TIOCMGET:
            *(int*)arg = lines | kInputs;
            return 0;
        case TIOCMSET:
            lines = *(const int*)arg | kInputs;
            return 0;
        case TIOCMBIS:
            lines |= *(const int*)arg;
            return 0;
        case TIOCMBIC:
            lines &= ~*(const int*)arg;
            lines |= kInputs;
            return 0;
        case TIOCGSERIAL: {
            struct serial_struct* s = (struct serial_struct*)arg;
            memset(s, 0, sizeof *s);
            s->type = PORT_16550A;
            s->baud_base = 115200;
            s->xmit_fifo_size = 16;
            return 0;
        }
        case TIOCGICOUNT: {
            struct serial_icounter_struct* c = (struct serial_icounter_struct*)arg;
            memset(c, 0, sizeof *c);
            return 0;
        }
        case TIOCMIWAIT:
            errno = EINVAL; /* the lines never change */
            return -1;
        default: /* TIOCSSERIAL */
            return 0;
    }
}

/* libudev's, for gtkterm; the program loads libudev itself. */
struct udev;
struct udev_device;

struct udev_device* udev_device_new_from_devnum(struct udev* udev, char type, dev_t devnum) {
    static struct udev_device* (*next)(struct udev*, char, dev_t);
    static struct udev_device* (*fromSyspath)(struct udev*, const char*);
    if (next == NULL) {
        next = (struct udev_device * (*)(struct udev*, char, dev_t))
            dlsym(RTLD_NEXT, "udev_device_new_from_devnum");
        fromSyspath = (struct udev_device * (*)(struct udev*, const char*))
            dlsym(RTLD_NEXT, "udev_device_new_from_syspath");
    }
    struct udev_device* device = next ? next(udev, type, devnum) : NULL;
    if (device == NULL && type == 'c' && major(devnum) >= 136 && major(devnum) <= 143 &&
        fromSyspath != NULL)
        device = fromSyspath(udev, "/sys/devices/virtual/tty/ptmx");
    return device;
}
