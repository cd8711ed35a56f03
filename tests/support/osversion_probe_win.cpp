// Reports, as its exit code, the version index the program would decide on
// under the Windows version Wine shows this process.
#include "win/osversion_win.h"

int main() {
    return quellar::win::windowsVersionIndex();
}
