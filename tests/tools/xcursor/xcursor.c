/* xcursor - prints the pointer's shape as the X server shows it now: its size,
 * hot spot and a checksum of its pixels, one line. Two shapes are the same
 * exactly when their lines are. The editor tests use it to see which shape a
 * window gives the pointer.
 *
 *   xcursor            (DISPLAY from the environment)
 *
 * Exit status: 0 printed, 2 no display or no XFIXES extension.
 */
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <stdio.h>

int main(void)
{
    Display *d = XOpenDisplay(NULL);
    int event, error;
    if (!d || !XFixesQueryExtension(d, &event, &error)) {
        fprintf(stderr, "xcursor: no display with the XFIXES extension\n");
        return 2;
    }
    XFixesCursorImage *c = XFixesGetCursorImage(d);
    if (!c) {
        fprintf(stderr, "xcursor: the server gave no cursor image\n");
        return 2;
    }
    unsigned long sum = 0;
    for (unsigned long i = 0; i < (unsigned long)c->width * c->height; ++i)
        sum = sum * 31 + (c->pixels[i] & 0xFFFFFFFFul);
    printf("%ux%u+%u+%u %08lx\n", c->width, c->height, c->xhot, c->yhot, sum & 0xFFFFFFFFul);
    XFree(c);
    XCloseDisplay(d);
    return 0;
}
