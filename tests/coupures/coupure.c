// SPDX-License-Identifier: GPL-3.0-or-later
/*
 * Bibliothèque chargée par LD_PRELOAD dans le programme d'essai des coupures.
 *
 * Elle compte les appels qui modifient des fichiers (écritures, synchronisations,
 * troncatures, créations, renommages, suppressions) sous le dossier COUPURE_RACINE, et tue le
 * processus par SIGKILL juste avant le N-ième (N = COUPURE_POINT) : l'appel n'a pas lieu,
 * comme si le courant avait été coupé à cet instant précis, disques compris.
 * Avec COUPURE_MODE=erreur, le N-ième appel échoue à la place (code d'erreur COUPURE_ERRNO,
 * EIO par défaut ; 28 pour un disque plein) et le processus continue : c'est la panne d'un
 * disque ou d'une clé, vue par le programme.
 *
 * Variables d'environnement :
 *   COUPURE_RACINE   dossier surveillé (chemin absolu, sans lien symbolique) ;
 *   COUPURE_POINT    rang de l'appel fatal ; absent ou 0 : compter seulement ;
 *   COUPURE_COMPTE   fichier où écrire, en sortant, le nombre d'appels comptés ;
 *   COUPURE_HORLOGE  secondes depuis 1970 : l'heure murale est figée à cette valeur, pour
 *                    que les horodatages écrits par SQLite ou le programme ne dépendent pas
 *                    du moment de l'essai.
 * L'horloge monotone (minuteries) n'est pas touchée.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

static char racine[4096];
static size_t longueurRacine;
static long point;
static long compte;
static int actif;
static int horlogeFigee;
static int modeErreur;
static int codeErreur = EIO;
static time_t horloge;

#define REEL(nom)                                                                                            \
    static __typeof__(&nom) reel_##nom;                                                                      \
    if (!reel_##nom)                                                                                         \
        *(void**)(&reel_##nom) = dlsym(RTLD_NEXT, #nom);

__attribute__((constructor)) static void demarrer(void)
{
    const char* texte = getenv("COUPURE_RACINE");
    if (texte && texte[0] == '/' && strlen(texte) < sizeof racine) {
        strcpy(racine, texte);
        longueurRacine = strlen(racine);
        while (longueurRacine > 1 && racine[longueurRacine - 1] == '/')
            racine[--longueurRacine] = '\0';
        actif = 1;
    }
    texte = getenv("COUPURE_POINT");
    point = texte ? atol(texte) : 0;
    texte = getenv("COUPURE_MODE");
    modeErreur = texte && strcmp(texte, "erreur") == 0;
    texte = getenv("COUPURE_ERRNO");
    if (texte && atoi(texte) > 0)
        codeErreur = atoi(texte);
    texte = getenv("COUPURE_HORLOGE");
    if (texte && *texte) {
        horloge = (time_t)atoll(texte);
        horlogeFigee = 1;
    }
}

__attribute__((destructor)) static void terminer(void)
{
    const char* chemin = getenv("COUPURE_COMPTE");
    const long total = __atomic_load_n(&compte, __ATOMIC_SEQ_CST);
    actif = 0;
    if (!chemin || !*chemin)
        return;
    FILE* f = fopen(chemin, "w");
    if (f) {
        fprintf(f, "%ld\n", total);
        fclose(f);
    }
}

static int sousRacine(const char* chemin)
{
    if (!actif || !chemin)
        return 0;
    return strncmp(chemin, racine, longueurRacine) == 0 &&
           (chemin[longueurRacine] == '/' || chemin[longueurRacine] == '\0');
}

/* Chemin absolu (sans résolution des liens) d'un chemin relatif à un dossier ouvert. */
static int cheminAbsolu(int dossier, const char* chemin, char* sortie, size_t taille)
{
    if (!chemin)
        return 0;
    if (chemin[0] == '/') {
        if (strlen(chemin) >= taille)
            return 0;
        strcpy(sortie, chemin);
        return 1;
    }
    char base[4096];
    if (dossier == AT_FDCWD) {
        if (!getcwd(base, sizeof base))
            return 0;
    } else {
        char lien[64];
        snprintf(lien, sizeof lien, "/proc/self/fd/%d", dossier);
        const ssize_t n = readlink(lien, base, sizeof base - 1);
        if (n <= 0)
            return 0;
        base[n] = '\0';
    }
    return snprintf(sortie, taille, "%s/%s", base, chemin) < (int)taille;
}

static int cheminSurveille(int dossier, const char* chemin)
{
    char absolu[8192];
    return actif && cheminAbsolu(dossier, chemin, absolu, sizeof absolu) && sousRacine(absolu);
}

static int descripteurSurveille(int fd)
{
    if (!actif)
        return 0;
    struct stat etat;
    if (fstat(fd, &etat) != 0 || !S_ISREG(etat.st_mode))
        return 0;
    char lien[64], cible[4096];
    snprintf(lien, sizeof lien, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(lien, cible, sizeof cible - 1);
    if (n <= 0)
        return 0;
    cible[n] = '\0';
    return sousRacine(cible);
}

/* Un appel de plus ; au rang choisi, le processus meurt avant de le faire, ou (mode erreur)
 * le résultat est vrai : l'appel doit échouer sans rien faire. */
static int compter(void)
{
    const long rang = __atomic_add_fetch(&compte, 1, __ATOMIC_SEQ_CST);
    if (point > 0 && rang == point) {
        if (modeErreur)
            return 1;
        kill(getpid(), SIGKILL);
        for (;;)
            pause();
    }
    return 0;
}

#define ECHOUER_SI(condition)                                                                                \
    do {                                                                                                     \
        const int sauve = errno;                                                                             \
        const int echec = (condition) && compter();                                                          \
        errno = sauve;                                                                                       \
        if (echec) {                                                                                         \
            errno = codeErreur;                                                                              \
            return -1;                                                                                       \
        }                                                                                                    \
    } while (0)

#define SI_FD(fd) ECHOUER_SI(descripteurSurveille(fd))
#define SI_CHEMIN(dossier, chemin) ECHOUER_SI(cheminSurveille(dossier, chemin))

/* --- Écritures ------------------------------------------------------------------------ */

ssize_t write(int fd, const void* tampon, size_t n)
{
    REEL(write)
    SI_FD(fd);
    return reel_write(fd, tampon, n);
}

ssize_t pwrite(int fd, const void* tampon, size_t n, off_t position)
{
    REEL(pwrite)
    SI_FD(fd);
    return reel_pwrite(fd, tampon, n, position);
}

ssize_t pwrite64(int fd, const void* tampon, size_t n, off64_t position)
{
    REEL(pwrite64)
    SI_FD(fd);
    return reel_pwrite64(fd, tampon, n, position);
}

ssize_t writev(int fd, const struct iovec* vecteur, int n)
{
    REEL(writev)
    SI_FD(fd);
    return reel_writev(fd, vecteur, n);
}

ssize_t pwritev(int fd, const struct iovec* vecteur, int n, off_t position)
{
    REEL(pwritev)
    SI_FD(fd);
    return reel_pwritev(fd, vecteur, n, position);
}

ssize_t pwritev64(int fd, const struct iovec* vecteur, int n, off64_t position)
{
    REEL(pwritev64)
    SI_FD(fd);
    return reel_pwritev64(fd, vecteur, n, position);
}

ssize_t sendfile(int sortie, int entree, off_t* position, size_t n)
{
    REEL(sendfile)
    SI_FD(sortie);
    return reel_sendfile(sortie, entree, position, n);
}

ssize_t sendfile64(int sortie, int entree, off64_t* position, size_t n)
{
    REEL(sendfile64)
    SI_FD(sortie);
    return reel_sendfile64(sortie, entree, position, n);
}

ssize_t copy_file_range(int entree, off64_t* positionEntree, int sortie, off64_t* positionSortie, size_t n,
                        unsigned int options)
{
    REEL(copy_file_range)
    SI_FD(sortie);
    return reel_copy_file_range(entree, positionEntree, sortie, positionSortie, n, options);
}

/* --- Synchronisations et tailles ------------------------------------------------------ */

int fsync(int fd)
{
    REEL(fsync)
    SI_FD(fd);
    return reel_fsync(fd);
}

int fdatasync(int fd)
{
    REEL(fdatasync)
    SI_FD(fd);
    return reel_fdatasync(fd);
}

int ftruncate(int fd, off_t taille)
{
    REEL(ftruncate)
    SI_FD(fd);
    return reel_ftruncate(fd, taille);
}

int ftruncate64(int fd, off64_t taille)
{
    REEL(ftruncate64)
    SI_FD(fd);
    return reel_ftruncate64(fd, taille);
}

int truncate(const char* chemin, off_t taille)
{
    REEL(truncate)
    SI_CHEMIN(AT_FDCWD, chemin);
    return reel_truncate(chemin, taille);
}

int fallocate(int fd, int mode, off_t position, off_t taille)
{
    REEL(fallocate)
    SI_FD(fd);
    return reel_fallocate(fd, mode, position, taille);
}

int posix_fallocate(int fd, off_t position, off_t taille)
{
    REEL(posix_fallocate)
    SI_FD(fd);
    return reel_posix_fallocate(fd, position, taille);
}

/* --- Créations (ouverture qui crée ou vide un fichier) -------------------------------- */

static int ouvertureQuiEcrit(int options)
{
    return (options & (O_CREAT | O_TRUNC)) != 0;
}

static mode_t modeDe(int options, va_list* arguments)
{
    return (options & O_CREAT) || (options & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(*arguments, int) : 0;
}

int open(const char* chemin, int options, ...)
{
    REEL(open)
    va_list arguments;
    va_start(arguments, options);
    const mode_t mode = modeDe(options, &arguments);
    va_end(arguments);
    if (ouvertureQuiEcrit(options))
        SI_CHEMIN(AT_FDCWD, chemin);
    return reel_open(chemin, options, mode);
}

int open64(const char* chemin, int options, ...)
{
    REEL(open64)
    va_list arguments;
    va_start(arguments, options);
    const mode_t mode = modeDe(options, &arguments);
    va_end(arguments);
    if (ouvertureQuiEcrit(options))
        SI_CHEMIN(AT_FDCWD, chemin);
    return reel_open64(chemin, options, mode);
}

int openat(int dossier, const char* chemin, int options, ...)
{
    REEL(openat)
    va_list arguments;
    va_start(arguments, options);
    const mode_t mode = modeDe(options, &arguments);
    va_end(arguments);
    if (ouvertureQuiEcrit(options))
        SI_CHEMIN(dossier, chemin);
    return reel_openat(dossier, chemin, options, mode);
}

int openat64(int dossier, const char* chemin, int options, ...)
{
    REEL(openat64)
    va_list arguments;
    va_start(arguments, options);
    const mode_t mode = modeDe(options, &arguments);
    va_end(arguments);
    if (ouvertureQuiEcrit(options))
        SI_CHEMIN(dossier, chemin);
    return reel_openat64(dossier, chemin, options, mode);
}

int creat(const char* chemin, mode_t mode)
{
    REEL(creat)
    SI_CHEMIN(AT_FDCWD, chemin);
    return reel_creat(chemin, mode);
}

int creat64(const char* chemin, mode_t mode)
{
    REEL(creat64)
    SI_CHEMIN(AT_FDCWD, chemin);
    return reel_creat64(chemin, mode);
}

/* --- Noms : renommages, liens, suppressions ------------------------------------------- */

int rename(const char* ancien, const char* nouveau)
{
    REEL(rename)
    ECHOUER_SI(cheminSurveille(AT_FDCWD, ancien) || cheminSurveille(AT_FDCWD, nouveau));
    return reel_rename(ancien, nouveau);
}

int renameat(int dossierAncien, const char* ancien, int dossierNouveau, const char* nouveau)
{
    REEL(renameat)
    ECHOUER_SI(cheminSurveille(dossierAncien, ancien) || cheminSurveille(dossierNouveau, nouveau));
    return reel_renameat(dossierAncien, ancien, dossierNouveau, nouveau);
}

int renameat2(int dossierAncien, const char* ancien, int dossierNouveau, const char* nouveau,
              unsigned int options)
{
    REEL(renameat2)
    ECHOUER_SI(cheminSurveille(dossierAncien, ancien) || cheminSurveille(dossierNouveau, nouveau));
    return reel_renameat2(dossierAncien, ancien, dossierNouveau, nouveau, options);
}

int link(const char* ancien, const char* nouveau)
{
    REEL(link)
    SI_CHEMIN(AT_FDCWD, nouveau);
    return reel_link(ancien, nouveau);
}

int linkat(int dossierAncien, const char* ancien, int dossierNouveau, const char* nouveau, int options)
{
    REEL(linkat)
    SI_CHEMIN(dossierNouveau, nouveau);
    return reel_linkat(dossierAncien, ancien, dossierNouveau, nouveau, options);
}

int unlink(const char* chemin)
{
    REEL(unlink)
    SI_CHEMIN(AT_FDCWD, chemin);
    return reel_unlink(chemin);
}

int unlinkat(int dossier, const char* chemin, int options)
{
    REEL(unlinkat)
    SI_CHEMIN(dossier, chemin);
    return reel_unlinkat(dossier, chemin, options);
}

int remove(const char* chemin)
{
    REEL(remove)
    SI_CHEMIN(AT_FDCWD, chemin);
    return reel_remove(chemin);
}

/* --- Heure murale figée ---------------------------------------------------------------- */

time_t time(time_t* resultat)
{
    REEL(time)
    if (!horlogeFigee)
        return reel_time(resultat);
    if (resultat)
        *resultat = horloge;
    return horloge;
}

int gettimeofday(struct timeval* restrict tv, void* restrict zone)
{
    REEL(gettimeofday)
    if (!horlogeFigee)
        return reel_gettimeofday(tv, zone);
    tv->tv_sec = horloge;
    tv->tv_usec = 0;
    return 0;
}

int clock_gettime(clockid_t horlogeDemandee, struct timespec* instant)
{
    REEL(clock_gettime)
    if (!horlogeFigee || (horlogeDemandee != CLOCK_REALTIME && horlogeDemandee != CLOCK_REALTIME_COARSE))
        return reel_clock_gettime(horlogeDemandee, instant);
    instant->tv_sec = horloge;
    instant->tv_nsec = 0;
    return 0;
}
