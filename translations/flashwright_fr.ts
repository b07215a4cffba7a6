<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en_US">
<context>
    <name>ErrorMessage</name>
    <message>
        <source>Error %1</source>
        <translation>Erreur %1</translation>
    </message>
    <message>
        <source>Problem with application DLL&apos;s please re-install the programmer</source>
        <translation>Problème avec les bibliothèques du programme, veuillez le réinstaller</translation>
    </message>
    <message>
        <source>Serial Communications Port Could not be opened</source>
        <translation>Le port série n&apos;a pas pu être ouvert</translation>
    </message>
    <message>
        <source>Please verify that the correct port is used</source>
        <translation>Vérifiez que le bon port est utilisé</translation>
    </message>
    <message>
        <source>The connection to the unit was lost.</source>
        <translation>La connexion avec l&apos;unité a été perdue.</translation>
    </message>
    <message>
        <source>Check the cable or the network, then try again.</source>
        <translation>Vérifiez le câble ou le réseau, puis réessayez.</translation>
    </message>
    <message>
        <source>Writing to the unit failed.</source>
        <translation>L&apos;écriture vers l&apos;unité a échoué.</translation>
    </message>
    <message>
        <source>A command for the unit could not be made, so it was not sent.</source>
        <translation>Une commande pour l&apos;unité n&apos;a pas pu être construite ; elle n&apos;a pas été envoyée.</translation>
    </message>
    <message>
        <source>The settings were not saved.</source>
        <translation>Les paramètres n&apos;ont pas été enregistrés.</translation>
    </message>
    <message>
        <source>The installer changed after its download and was not started.</source>
        <translation>Le programme d&apos;installation a changé après son téléchargement et n&apos;a pas été lancé.</translation>
    </message>
    <message>
        <source>Error test</source>
        <translation>Test d&apos;erreur</translation>
    </message>
    <message>
        <source>Scaler upload problem.</source>
        <translation>Problème de transfert vers le scaler.</translation>
    </message>
    <message>
        <source>Ensure no other applications are running</source>
        <translation>Assurez-vous qu&apos;aucune autre application ne tourne</translation>
    </message>
    <message>
        <source>during the programming cycle</source>
        <translation>pendant la programmation</translation>
    </message>
    <message>
        <source>Incorrect responce during programming</source>
        <translation>Réponse incorrecte pendant la programmation</translation>
    </message>
    <message>
        <source>Firmware file not found</source>
        <translation>Fichier firmware introuvable</translation>
    </message>
    <message>
        <source>Tried to program a scaler setting, scaler did not respond</source>
        <translation>Tentative de programmer un réglage du scaler : le scaler n&apos;a pas répondu</translation>
    </message>
    <message>
        <source>The setting may not have been programmed correctly</source>
        <translation>Le réglage n&apos;a peut-être pas été programmé correctement</translation>
    </message>
    <message>
        <source>Tried to read a scaler setting, scaler did not respond</source>
        <translation>Tentative de lire un réglage du scaler : le scaler n&apos;a pas répondu</translation>
    </message>
    <message>
        <source>Problem with application DLL&apos;s please reinstall product</source>
        <translation>Problème avec les bibliothèques du programme, veuillez réinstaller le produit</translation>
    </message>
    <message>
        <source>This feature requires Internet explorer version 5 or above to be installed</source>
        <translation>Cette fonction nécessite Internet Explorer version 5 ou ultérieure</translation>
    </message>
    <message>
        <source>An Error Occured in the application</source>
        <translation>Une erreur s&apos;est produite dans l&apos;application</translation>
    </message>
    <message>
        <source>Attempt to continue?</source>
        <translation>Essayer de continuer ?</translation>
    </message>
    <message>
        <source>Application problem</source>
        <translation>Problème d&apos;application</translation>
    </message>
    <message>
        <source>Fatal application error. Please product vendor</source>
        <translation>Erreur fatale de l&apos;application. Veuillez contacter le fournisseur</translation>
    </message>
    <message>
        <source>The unit log was not written.</source>
        <translation>Le journal de l&apos;unité n&apos;a pas été écrit.</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>Message</source>
        <translation>Message</translation>
    </message>
</context>
<context>
    <name>StartUp</name>
    <message>
        <source>Incorrect version of Wininet.dll you must have <byte value="xd"/>
version 5 or above of Internet Explorer installed</source>
        <translation>Version incorrecte de Wininet.dll : <byte value="xd"/>
Internet Explorer version 5 ou ultérieure doit être installé</translation>
    </message>
    <message>
        <source>the system&apos;s OpenSSL library (libssl3)</source>
        <translation>la bibliothèque OpenSSL du système (libssl3)</translation>
    </message>
    <message>
        <source>Qt&apos;s OpenSSL plugin (libqt6network6)</source>
        <translation>le module OpenSSL de Qt (libqt6network6)</translation>
    </message>
    <message>
        <source>Check Update needs %1,<byte value="xd"/>
which could not be loaded. Install it and start the program again.</source>
        <translation>La recherche de mises à jour nécessite %1.<byte value="xd"/>
Ce composant n&apos;a pas pu être chargé. Installez-le puis redémarrez le programme.</translation>
    </message>
    <message>
        <source>VQ Update - %1</source>
        <extracomment>The main window&apos;s caption; the port or address of the unit follows.</extracomment>
        <translation>Mise à jour VQ - %1</translation>
    </message>
    <message>
        <source>VQ Update </source>
        <extracomment>The main window&apos;s caption when the communication type is unknown.</extracomment>
        <translation>Mise à jour VQ </translation>
    </message>
    <message>
        <source>VQ Update</source>
        <translation>Mise à jour VQ</translation>
    </message>
    <message>
        <source>Firmware path not set please set using File-&gt;Firmware File Path</source>
        <translation>Chemin du firmware non défini, définissez-le avec Fichier-&gt;Chemin des fichiers firmware</translation>
    </message>
    <message>
        <source>Firmware Path</source>
        <translation>Chemin du firmware</translation>
    </message>
    <message>
        <source>Can&apos;t Open default communications port please select Tools-&gt;Communications and set a new communications port</source>
        <translation>Impossible d&apos;ouvrir le port de communication par défaut, choisissez-en un autre dans Outils-&gt;Port de communication</translation>
    </message>
    <message>
        <source> Error </source>
        <translation> Erreur </translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source>Failure, Please power cycle unit and try again</source>
        <translation>Échec : éteignez puis rallumez l&apos;unité et réessayez</translation>
    </message>
    <message>
        <source>%1    Unit is a %2</source>
        <extracomment>The unit&apos;s identification, then its type in capitals.</extracomment>
        <translation>%1    Type d&apos;unité : %2</translation>
    </message>
    <message>
        <source>Getting Id....</source>
        <translation>Lecture de l&apos;identifiant....</translation>
    </message>
    <message>
        <source>Unit software version = %1</source>
        <translation>Version du logiciel de l&apos;unité = %1</translation>
    </message>
    <message>
        <source>Getting Version....</source>
        <translation>Lecture de la version....</translation>
    </message>
    <message>
        <source>Checking Unit....</source>
        <translation>Vérification de l&apos;unité....</translation>
    </message>
    <message>
        <source>Resetting Unit....</source>
        <translation>Réinitialisation de l&apos;unité....</translation>
    </message>
    <message>
        <source>Waiting for ID...</source>
        <translation>Attente de l&apos;identifiant...</translation>
    </message>
    <message>
        <source>Incorrect or no ID received</source>
        <translation>Identifiant incorrect ou absent</translation>
    </message>
    <message>
        <source>Programming ...</source>
        <translation>Programmation ...</translation>
    </message>
    <message>
        <source>Programming... %1</source>
        <translation>Programmation... %1</translation>
    </message>
    <message>
        <source>Programing Complete....</source>
        <translation>Programmation terminée....</translation>
    </message>
</context>
<context>
    <name>TerminalAnswerer</name>
    <message>
        <source>[y/N] </source>
        <translation>[o/N] </translation>
    </message>
    <message>
        <source>[press Enter] </source>
        <translation>[appuyez sur Entrée] </translation>
    </message>
    <message>
        <source>y</source>
        <translation>o</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>oui</translation>
    </message>
</context>
<context>
    <name>UnitCommand</name>
    <message>
        <source>waiting for the unit to start its new firmware</source>
        <translation>attente du démarrage du nouveau firmware de l&apos;unité</translation>
    </message>
    <message>
        <source>it runs %1 at level %2, below %3</source>
        <translation>il exécute %1 au niveau %2, inférieur à %3</translation>
    </message>
    <message>
        <source>it does not name its firmware at a level of %1 or more; only its loader can tell what it is</source>
        <translation>il ne nomme pas son firmware au niveau %1 ou plus ; seul son chargeur peut dire lequel c&apos;est</translation>
    </message>
    <message>
        <source>the unit sent no identification line; check the port and its speed</source>
        <translation>l&apos;unité n&apos;a envoyé aucune ligne d&apos;identification ; vérifiez le port et sa vitesse</translation>
    </message>
    <message>
        <source>the unit did not answer the version query</source>
        <translation>l&apos;unité n&apos;a pas répondu à la demande de version</translation>
    </message>
    <message>
        <source>the unit did not answer the running firmware query</source>
        <translation>l&apos;unité n&apos;a pas répondu à la demande du firmware en cours</translation>
    </message>
    <message>
        <source>programmed whole, then interrupted before the unit said which level it runs</source>
        <translation>programmée entièrement, puis interrompue avant que l&apos;unité indique son niveau</translation>
    </message>
    <message>
        <source>the unit took the whole image but runs level %1, not %2 or more</source>
        <translation>l&apos;unité a reçu l&apos;image entière mais exécute le niveau %1, pas %2 ou plus</translation>
    </message>
    <message>
        <source>the unit took the whole image but did not say which level it runs within %1 s</source>
        <translation>l&apos;unité a reçu l&apos;image entière mais n&apos;a pas indiqué son niveau en %1 s</translation>
    </message>
    <message>
        <source>ended at once by a second interrupt; a unit left in the middle of an upload must be power-cycled</source>
        <translation>arrêté aussitôt par une seconde interruption ; une unité laissée en plein transfert doit être éteinte puis rallumée</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>interrompu</translation>
    </message>
    <message>
        <source>; the error log %1 says more</source>
        <translation> ; le journal d&apos;erreurs %1 en dit plus</translation>
    </message>
    <message>
        <source>%1 could not be reached%2</source>
        <translation>%1 n&apos;a pas pu être joint%2</translation>
    </message>
    <message>
        <source>the serial parameters &quot;%1&quot; cannot be used: %2</source>
        <translation>les paramètres série « %1 » ne sont pas utilisables : %2</translation>
    </message>
    <message>
        <source>%1 stands for %2, and there is no such device</source>
        <translation>%1 désigne %2, et ce périphérique n&apos;existe pas</translation>
    </message>
    <message>
        <source>%1 (%2) could not be opened%3</source>
        <translation>%1 (%2) n&apos;a pas pu être ouvert%3</translation>
    </message>
    <message>
        <source>no firmware folder is set: give --folder DIR, or choose one in the window (File &gt; Firmware file path)</source>
        <translation>aucun dossier de firmware n&apos;est défini : donnez --folder DIR, ou choisissez-en un dans la fenêtre (Fichier &gt; Chemin des fichiers firmware)</translation>
    </message>
    <message>
        <source>no firmware file can be named after &quot;%1&quot; in %2</source>
        <translation>aucun fichier de firmware ne peut être nommé d&apos;après « %1 » dans %2</translation>
    </message>
    <message>
        <source>there is no firmware file %1</source>
        <translation>il n&apos;y a pas de fichier de firmware %1</translation>
    </message>
    <message>
        <source>the firmware file %1 is empty; the unit was not programmed</source>
        <translation>le fichier de firmware %1 est vide ; l&apos;unité n&apos;a pas été programmée</translation>
    </message>
    <message>
        <source>the unit did not answer &quot;U&quot; with &quot;S&quot;</source>
        <translation>l&apos;unité n&apos;a pas répondu « S » à « U »</translation>
    </message>
    <message>
        <source>the unit did not answer &quot;Y&quot; with &quot;A&quot;</source>
        <translation>l&apos;unité n&apos;a pas répondu « A » à « Y »</translation>
    </message>
    <message>
        <source>the unit answered &quot;Y&quot; with &quot;%1&quot;, not &quot;A&quot;</source>
        <translation>l&apos;unité a répondu « %1 » à « Y », et non « A »</translation>
    </message>
    <message>
        <source>the unit did not accept block %1</source>
        <translation>l&apos;unité n&apos;a pas accepté le bloc %1</translation>
    </message>
    <message>
        <source>the unit did not confirm the whole image: its last answer was not &quot;E&quot;</source>
        <translation>l&apos;unité n&apos;a pas confirmé l&apos;image entière : sa dernière réponse n&apos;était pas « E »</translation>
    </message>
    <message>
        <source>aborted; power-cycle the unit before it is programmed again</source>
        <translation>interrompu ; éteignez puis rallumez l&apos;unité avant de la reprogrammer</translation>
    </message>
    <message>
        <source>aborted before anything was sent to the unit&apos;s loader</source>
        <translation>interrompu avant tout envoi au chargeur de l&apos;unité</translation>
    </message>
    <message>
        <source>the firmware file %1 could not be read whole: %2</source>
        <translation>le fichier de firmware %1 n&apos;a pas pu être lu entièrement : %2</translation>
    </message>
    <message>
        <source>a fatal error ended the program; the error log says which</source>
        <translation>une erreur fatale a arrêté le programme ; le journal d&apos;erreurs dit laquelle</translation>
    </message>
</context>
<context>
    <name>UnitMessage</name>
    <message>
        <source>Firmware Update</source>
        <translation>Mise à jour du firmware</translation>
    </message>
    <message>
        <source>File does not exist</source>
        <translation>Le fichier n&apos;existe pas</translation>
    </message>
    <message>
        <source>These firmware files differ only in upper and lower case, so none of them was used:<byte value="xd"/>
%1<byte value="xd"/>
Keep only the right one in the firmware folder.</source>
        <translation>Ces fichiers firmware ne diffèrent que par les majuscules et minuscules ; aucun n&apos;a donc été utilisé :<byte value="xd"/>
%1<byte value="xd"/>
Ne gardez que le bon dans le dossier du firmware.</translation>
    </message>
    <message>
        <source>Aborting the programming cycle<byte value="xd"/>
will leave the Scaler in an unuseable state.<byte value="xd"/>
<byte value="xd"/>
 Are you Sure ?</source>
        <translation>Interrompre la programmation<byte value="xd"/>
rendra le scaler inutilisable.<byte value="xd"/>
<byte value="xd"/>
 Êtes-vous sûr ?</translation>
    </message>
    <message>
        <source>Scaler upload Aborted<byte value="xd"/>
<byte value="xd"/>
Please power cycle the VQ unit</source>
        <translation>Transfert vers le scaler interrompu<byte value="xd"/>
<byte value="xd"/>
Veuillez éteindre puis rallumer l&apos;unité VQ</translation>
    </message>
    <message>
        <source>Turn unit off, click OK, then turn unit on.</source>
        <translation>Éteignez l&apos;unité, cliquez sur OK, puis rallumez-la.</translation>
    </message>
    <message>
        <source>Incorrect or no ID received.<byte value="xd"/>
Ensure you have the correct firmware file</source>
        <translation>Identifiant incorrect ou absent.<byte value="xd"/>
Vérifiez que vous avez le bon fichier firmware</translation>
    </message>
    <message>
        <source>The firmware file for this unit is empty:<byte value="xd"/>
%1<byte value="xd"/>
The unit was not programmed.</source>
        <translation>Le fichier firmware de cette unité est vide :<byte value="xd"/>
%1<byte value="xd"/>
L&apos;unité n&apos;a pas été programmée.</translation>
    </message>
    <message>
        <source>Unit did not reply with S %1</source>
        <translation>L&apos;unité n&apos;a pas répondu S %1</translation>
    </message>
    <message>
        <source>Unit did not reply with Y</source>
        <translation>L&apos;unité n&apos;a pas répondu à Y</translation>
    </message>
    <message>
        <source>Scaler upload NOT successful</source>
        <translation>Transfert vers le scaler ÉCHOUÉ</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
</context>
<context>
    <name>UnitProcesses</name>
    <message>
        <source>starting</source>
        <translation>démarrage</translation>
    </message>
    <message>
        <source>Interrupted: each unit stops after its current block; press Ctrl-C again to stop them at once</source>
        <translation>Interrompu : chaque unité s&apos;arrête après son bloc en cours ; appuyez de nouveau sur Ctrl-C pour les arrêter tout de suite</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>en attente</translation>
    </message>
</context>
<context>
    <name>UnitResult</name>
    <message>
        <source>failed (exit %1): %2</source>
        <translation>échec (sortie %1) : %2</translation>
    </message>
    <message>
        <source>ok: identification %1</source>
        <translation>ok : identification %1</translation>
    </message>
    <message>
        <source>ok: software version %1</source>
        <translation>ok : version du logiciel %1</translation>
    </message>
    <message>
        <source>%1 at level %2</source>
        <translation>%1 au niveau %2</translation>
    </message>
    <message>
        <source>unnamed firmware</source>
        <translation>firmware sans nom</translation>
    </message>
    <message>
        <source>ok: runs %1</source>
        <translation>ok : exécute %1</translation>
    </message>
    <message>
        <source>ok: unchanged, runs %1</source>
        <translation>ok : inchangé, exécute %1</translation>
    </message>
    <message>
        <source>ok: would be programmed</source>
        <translation>ok : serait programmé</translation>
    </message>
    <message>
        <source>ok: %1 bytes in %2 s, now runs %3</source>
        <translation>ok : %1 octets en %2 s, exécute maintenant %3</translation>
    </message>
    <message>
        <source>ok: %1 bytes in %2 s</source>
        <translation>ok : %1 octets en %2 s</translation>
    </message>
</context>
<context>
    <name>UpdateCheck</name>
    <message>
        <source>Update</source>
        <translation>Mise à jour</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Mises à jour</translation>
    </message>
    <message>
        <source>Web Page not found</source>
        <translation>Page web introuvable</translation>
    </message>
    <message>
        <source>Unknown error<byte value="xd"/>
Please check internet connection settings</source>
        <translation>Erreur inconnue<byte value="xd"/>
Vérifiez les paramètres de connexion à Internet</translation>
    </message>
    <message>
        <source>Could not access the internet</source>
        <translation>Impossible d&apos;accéder à Internet</translation>
    </message>
    <message>
        <source>Proxy authentication failure.<byte value="xd"/>
Please check internet connection settings</source>
        <translation>Échec de l&apos;authentification auprès du proxy.<byte value="xd"/>
Vérifiez les paramètres de connexion à Internet</translation>
    </message>
    <message>
        <source>Update aborted at user request</source>
        <translation>Mise à jour interrompue à la demande de l&apos;utilisateur</translation>
    </message>
    <message>
        <source>Wrong version of revision file on web site<byte value="xd"/>
Ensure that the programmer is the latest version</source>
        <translation>Mauvaise version du fichier de révision sur le site<byte value="xd"/>
Vérifiez que le programmeur est la dernière version</translation>
    </message>
    <message>
        <source>The update site has not been refreshed since %1.<byte value="xd"/>
This computer&apos;s date is %2.<byte value="xd"/>
If that date is wrong, correct it; otherwise ask the vendor to refresh the update site.</source>
        <translation>Le site de mise à jour n&apos;a pas été actualisé depuis le %1.<byte value="xd"/>
La date de cet ordinateur est le %2.<byte value="xd"/>
Si cette date est fausse, corrigez-la ; sinon, demandez au fournisseur d&apos;actualiser le site.</translation>
    </message>
    <message>
        <source>The update site&apos;s files were signed on %1,<byte value="xd"/>
later than this computer&apos;s date, %2.<byte value="xd"/>
Correct this computer&apos;s date and time, then check again.</source>
        <translation>Les fichiers du site de mise à jour ont été signés le %1,<byte value="xd"/>
plus tard que la date de cet ordinateur, le %2.<byte value="xd"/>
Corrigez la date et l&apos;heure de cet ordinateur, puis vérifiez à nouveau.</translation>
    </message>
    <message>
        <source>Your current firmware requires a reboot of the scaler <byte value="xd"/>
in order to determine the scaler type. It is not possible to <byte value="xd"/>
determine the current software version of the device <byte value="xd"/>
so the latest will be downloaded<byte value="xd"/>
<byte value="xd"/>
Continue ?</source>
        <translation>Votre firmware actuel exige un redémarrage du scaler <byte value="xd"/>
pour déterminer le type de scaler. Il n&apos;est pas possible de <byte value="xd"/>
déterminer la version actuelle du logiciel de l&apos;appareil, <byte value="xd"/>
la plus récente sera donc téléchargée<byte value="xd"/>
<byte value="xd"/>
Continuer ?</translation>
    </message>
    <message>
        <source>Failed to read scaler type</source>
        <translation>Impossible de lire le type de scaler</translation>
    </message>
    <message>
        <source>Newer Version of Programmer availiable, download ?</source>
        <translation>Nouvelle version du programmeur disponible, la télécharger ?</translation>
    </message>
    <message>
        <source>The application will now exit and install the updates</source>
        <translation>L&apos;application va se fermer et installer les mises à jour</translation>
    </message>
    <message>
        <source>Newer Firmware availiable, download ?</source>
        <translation>Firmware plus récent disponible, le télécharger ?</translation>
    </message>
    <message>
        <source>You currently have the latest firmware.<byte value="xd"/>
Do you wish to download anyway?</source>
        <translation>Vous avez déjà le firmware le plus récent.<byte value="xd"/>
Voulez-vous quand même le télécharger ?</translation>
    </message>
    <message>
        <source>Program scaler ?</source>
        <translation>Programmer le scaler ?</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programmer</translation>
    </message>
    <message>
        <source>Check Update finished</source>
        <translation>Recherche de mises à jour terminée</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>About Firmware Tool</source>
        <translation>À propos de l&apos;outil firmware</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>À propos de %1</translation>
    </message>
    <message>
        <source>Version %1.%2.%3</source>
        <translation>Version %1.%2.%3</translation>
    </message>
    <message>
        <source>Programming tool for the VQ series units</source>
        <translation>Outil de programmation des unités de la série VQ</translation>
    </message>
</context>
<context>
    <name>frm_Commsettings</name>
    <message>
        <source>Communication Settings</source>
        <translation>Paramètres de communication</translation>
    </message>
    <message>
        <source>Please Select the communications type :</source>
        <translation>Choisissez le type de communication :</translation>
    </message>
    <message>
        <source>Ethernet</source>
        <translation>Ethernet</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>Série</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Annuler</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Com Port</source>
        <translation>&amp;Port COM</translation>
    </message>
    <message>
        <source>Com%1</source>
        <translation>Com%1</translation>
    </message>
    <message>
        <source>Baud</source>
        <translation>Bauds</translation>
    </message>
    <message>
        <source>&amp;Ethernet</source>
        <translation>&amp;Ethernet</translation>
    </message>
    <message>
        <source>&amp;Baud Rate</source>
        <translation>&amp;Débit en bauds</translation>
    </message>
    <message>
        <source>&amp;Parity</source>
        <translation>&amp;Parité</translation>
    </message>
    <message>
        <source>&amp;None</source>
        <translation>&amp;Aucune</translation>
    </message>
    <message>
        <source>&amp;Odd</source>
        <translation>&amp;Impaire</translation>
    </message>
    <message>
        <source>&amp;Even</source>
        <translation>&amp;Paire</translation>
    </message>
    <message>
        <source>&amp;Data Bits</source>
        <translation>Bits de &amp;données</translation>
    </message>
    <message>
        <source>&amp;Stop Bits</source>
        <translation>Bits d&apos;&amp;arrêt</translation>
    </message>
    <message>
        <source>&amp;Flow Control</source>
        <translation>&amp;Contrôle de flux</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Aucun</translation>
    </message>
    <message>
        <source>Xon/Xoff</source>
        <translation>Xon/Xoff</translation>
    </message>
    <message>
        <source>RTS</source>
        <translation>RTS</translation>
    </message>
    <message>
        <source>Xon/RTS</source>
        <translation>Xon/RTS</translation>
    </message>
    <message>
        <source>Not available while the program is talking to the unit; try again when it has finished</source>
        <translation>Indisponible pendant que le programme communique avec l&apos;unité ; réessayez quand il aura terminé</translation>
    </message>
    <message>
        <source>Unit&apos;s IP address</source>
        <translation>Adresse IP de l&apos;unité</translation>
    </message>
    <message>
        <source>Unit&apos;s TCP port</source>
        <translation>Port TCP de l&apos;unité</translation>
    </message>
</context>
<context>
    <name>frm_pathselect</name>
    <message>
        <source>Path Selection</source>
        <translation>Choix du dossier</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Annuler</translation>
    </message>
    <message>
        <source>Please Select the location of the vq firmware files :</source>
        <translation>Choisissez l&apos;emplacement des fichiers firmware VQ :</translation>
    </message>
    <message>
        <source>No VQ files found please select another directory</source>
        <translation>Aucun fichier VQ trouvé, choisissez un autre dossier</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Erreur</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Lecteur</translation>
    </message>
    <message>
        <source>Firmware files</source>
        <translation>Fichiers de firmware</translation>
    </message>
    <message>
        <source>The .vq files in the folder being looked at</source>
        <translation>Les fichiers .vq du dossier affiché</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Dossiers</translation>
    </message>
    <message>
        <source>Enter opens the folder; &quot;..&quot; is the folder above</source>
        <translation>Entrée ouvre le dossier ; « .. » est le dossier parent</translation>
    </message>
</context>
<context>
    <name>frm_programme</name>
    <message>
        <source>VQ Firmware Updater</source>
        <translation>Mise à jour du firmware VQ</translation>
    </message>
    <message>
        <source>&amp;Update Firmware</source>
        <translation>&amp;Mettre à jour le firmware</translation>
    </message>
    <message>
        <source>Click to program the scaler.</source>
        <translation>Cliquez pour programmer le scaler.</translation>
    </message>
    <message>
        <source>&amp;Abort</source>
        <translation>&amp;Interrompre</translation>
    </message>
    <message>
        <source>Click to abort programming</source>
        <translation>Cliquez pour interrompre la programmation</translation>
    </message>
    <message>
        <source>&amp;Check Update</source>
        <translation>&amp;Vérifier les mises à jour</translation>
    </message>
    <message>
        <source>Click to check for updates onthe internet</source>
        <translation>Cliquez pour rechercher des mises à jour sur Internet</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>Debug</source>
        <translation>Débogage</translation>
    </message>
    <message>
        <source>&amp;Firmware file path</source>
        <translation>&amp;Chemin des fichiers firmware</translation>
    </message>
    <message>
        <source>&amp;Load</source>
        <translation>&amp;Charger</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>&amp;Outils</translation>
    </message>
    <message>
        <source>&amp;Get Ident</source>
        <translation>Lire l&apos;&amp;identifiant</translation>
    </message>
    <message>
        <source>&amp;Get Version</source>
        <translation>Lire la &amp;version</translation>
    </message>
    <message>
        <source>&amp;Communications Port</source>
        <translation>&amp;Port de communication</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>À &amp;propos</translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation>Téléchargement</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>%1
%2 of %3 bytes</source>
        <translation>%1
%2 sur %3 octets</translation>
    </message>
    <message>
        <source>%1
%2 bytes</source>
        <translation>%1
%2 octets</translation>
    </message>
    <message>
        <source>What the program is doing with the unit</source>
        <translation>Ce que le programme fait avec l&apos;unité</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progression</translation>
    </message>
    <message>
        <source>How much of the firmware file the unit has received</source>
        <translation>Part du fichier de firmware reçue par l&apos;unité</translation>
    </message>
</context>
</TS>
