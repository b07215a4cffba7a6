<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en_US">
<context>
    <name>ErrorMessage</name>
    <message>
        <source>Error %1</source>
        <translation>Fehler %1</translation>
    </message>
    <message>
        <source>Problem with application DLL&apos;s please re-install the programmer</source>
        <translation>Problem mit den Programmbibliotheken, bitte das Programm neu installieren</translation>
    </message>
    <message>
        <source>Serial Communications Port Could not be opened</source>
        <translation>Die serielle Schnittstelle konnte nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Please verify that the correct port is used</source>
        <translation>Bitte prüfen Sie, ob die richtige Schnittstelle verwendet wird</translation>
    </message>
    <message>
        <source>The connection to the unit was lost.</source>
        <translation>Die Verbindung zum Gerät wurde unterbrochen.</translation>
    </message>
    <message>
        <source>Check the cable or the network, then try again.</source>
        <translation>Prüfen Sie Kabel oder Netzwerk und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Writing to the unit failed.</source>
        <translation>Das Schreiben zum Gerät ist fehlgeschlagen.</translation>
    </message>
    <message>
        <source>A command for the unit could not be made, so it was not sent.</source>
        <translation>Ein Befehl für das Gerät konnte nicht erstellt werden und wurde nicht gesendet.</translation>
    </message>
    <message>
        <source>The settings were not saved.</source>
        <translation>Die Einstellungen wurden nicht gespeichert.</translation>
    </message>
    <message>
        <source>The installer changed after its download and was not started.</source>
        <translation>Das Installationsprogramm wurde nach dem Herunterladen verändert und nicht gestartet.</translation>
    </message>
    <message>
        <source>Error test</source>
        <translation>Fehlertest</translation>
    </message>
    <message>
        <source>Scaler upload problem.</source>
        <translation>Problem bei der Übertragung zum Scaler.</translation>
    </message>
    <message>
        <source>Ensure no other applications are running</source>
        <translation>Stellen Sie sicher, dass keine anderen Programme laufen</translation>
    </message>
    <message>
        <source>during the programming cycle</source>
        <translation>während programmiert wird</translation>
    </message>
    <message>
        <source>Incorrect responce during programming</source>
        <translation>Falsche Antwort beim Programmieren</translation>
    </message>
    <message>
        <source>Firmware file not found</source>
        <translation>Firmware-Datei nicht gefunden</translation>
    </message>
    <message>
        <source>Tried to program a scaler setting, scaler did not respond</source>
        <translation>Eine Scaler-Einstellung sollte programmiert werden, der Scaler hat nicht geantwortet</translation>
    </message>
    <message>
        <source>The setting may not have been programmed correctly</source>
        <translation>Die Einstellung wurde möglicherweise nicht richtig programmiert</translation>
    </message>
    <message>
        <source>Tried to read a scaler setting, scaler did not respond</source>
        <translation>Eine Scaler-Einstellung sollte gelesen werden, der Scaler hat nicht geantwortet</translation>
    </message>
    <message>
        <source>Problem with application DLL&apos;s please reinstall product</source>
        <translation>Problem mit den Programmbibliotheken, bitte das Produkt neu installieren</translation>
    </message>
    <message>
        <source>This feature requires Internet explorer version 5 or above to be installed</source>
        <translation>Diese Funktion erfordert Internet Explorer ab Version 5</translation>
    </message>
    <message>
        <source>An Error Occured in the application</source>
        <translation>Im Programm ist ein Fehler aufgetreten</translation>
    </message>
    <message>
        <source>Attempt to continue?</source>
        <translation>Trotzdem fortfahren?</translation>
    </message>
    <message>
        <source>Application problem</source>
        <translation>Programmproblem</translation>
    </message>
    <message>
        <source>Fatal application error. Please product vendor</source>
        <translation>Schwerer Programmfehler. Bitte wenden Sie sich an den Hersteller</translation>
    </message>
    <message>
        <source>The unit log was not written.</source>
        <translation>Das Geräteprotokoll wurde nicht geschrieben.</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
</context>
<context>
    <name>StartUp</name>
    <message>
        <source>Incorrect version of Wininet.dll you must have <byte value="xd"/>
version 5 or above of Internet Explorer installed</source>
        <translation>Falsche Version von Wininet.dll. Es muss <byte value="xd"/>
Internet Explorer ab Version 5 installiert sein</translation>
    </message>
    <message>
        <source>the system&apos;s OpenSSL library (libssl3)</source>
        <translation>die OpenSSL-Bibliothek des Systems (libssl3)</translation>
    </message>
    <message>
        <source>Qt&apos;s OpenSSL plugin (libqt6network6)</source>
        <translation>das OpenSSL-Plugin von Qt (libqt6network6)</translation>
    </message>
    <message>
        <source>Check Update needs %1,<byte value="xd"/>
which could not be loaded. Install it and start the program again.</source>
        <translation>Für die Update-Prüfung wird %1 benötigt.<byte value="xd"/>
Diese Komponente konnte nicht geladen werden. Installieren Sie sie und starten Sie das Programm neu.</translation>
    </message>
    <message>
        <source>VQ Update - %1</source>
        <extracomment>The main window&apos;s caption; the port or address of the unit follows.</extracomment>
        <translation>VQ-Update - %1</translation>
    </message>
    <message>
        <source>VQ Update </source>
        <extracomment>The main window&apos;s caption when the communication type is unknown.</extracomment>
        <translation>VQ-Update </translation>
    </message>
    <message>
        <source>VQ Update</source>
        <translation>VQ-Update</translation>
    </message>
    <message>
        <source>Firmware path not set please set using File-&gt;Firmware File Path</source>
        <translation>Firmware-Pfad nicht gesetzt, bitte über Datei-&gt;Firmware-Pfad festlegen</translation>
    </message>
    <message>
        <source>Firmware Path</source>
        <translation>Firmware-Pfad</translation>
    </message>
    <message>
        <source>Can&apos;t Open default communications port please select Tools-&gt;Communications and set a new communications port</source>
        <translation>Die Standardschnittstelle kann nicht geöffnet werden, bitte unter Werkzeuge-&gt;Schnittstelle eine andere Schnittstelle wählen</translation>
    </message>
    <message>
        <source> Error </source>
        <translation> Fehler </translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source>Failure, Please power cycle unit and try again</source>
        <translation>Fehler: Gerät aus- und wieder einschalten, dann erneut versuchen</translation>
    </message>
    <message>
        <source>%1    Unit is a %2</source>
        <extracomment>The unit&apos;s identification, then its type in capitals.</extracomment>
        <translation>%1    Gerätetyp: %2</translation>
    </message>
    <message>
        <source>Getting Id....</source>
        <translation>Kennung wird gelesen....</translation>
    </message>
    <message>
        <source>Unit software version = %1</source>
        <translation>Softwareversion des Geräts = %1</translation>
    </message>
    <message>
        <source>Getting Version....</source>
        <translation>Version wird gelesen....</translation>
    </message>
    <message>
        <source>Checking Unit....</source>
        <translation>Gerät wird geprüft....</translation>
    </message>
    <message>
        <source>Resetting Unit....</source>
        <translation>Gerät wird zurückgesetzt....</translation>
    </message>
    <message>
        <source>Waiting for ID...</source>
        <translation>Warten auf Kennung...</translation>
    </message>
    <message>
        <source>Incorrect or no ID received</source>
        <translation>Falsche oder keine Kennung empfangen</translation>
    </message>
    <message>
        <source>Programming ...</source>
        <translation>Programmierung ...</translation>
    </message>
    <message>
        <source>Programming... %1</source>
        <translation>Programmierung... %1</translation>
    </message>
    <message>
        <source>Programing Complete....</source>
        <translation>Programmierung abgeschlossen....</translation>
    </message>
</context>
<context>
    <name>TerminalAnswerer</name>
    <message>
        <source>[y/N] </source>
        <translation>[j/N] </translation>
    </message>
    <message>
        <source>[press Enter] </source>
        <translation>[Eingabetaste drücken] </translation>
    </message>
    <message>
        <source>y</source>
        <translation>j</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>ja</translation>
    </message>
</context>
<context>
    <name>UnitCommand</name>
    <message>
        <source>waiting for the unit to start its new firmware</source>
        <translation>warte, bis das Gerät seine neue Firmware startet</translation>
    </message>
    <message>
        <source>it runs %1 at level %2, below %3</source>
        <translation>es führt %1 auf Stufe %2 aus, unter %3</translation>
    </message>
    <message>
        <source>it does not name its firmware at a level of %1 or more; only its loader can tell what it is</source>
        <translation>es nennt seine Firmware nicht auf Stufe %1 oder höher; nur sein Lader kann sagen, welche es ist</translation>
    </message>
    <message>
        <source>the unit sent no identification line; check the port and its speed</source>
        <translation>das Gerät hat keine Kennungszeile gesendet; prüfen Sie die Schnittstelle und ihre Geschwindigkeit</translation>
    </message>
    <message>
        <source>the unit did not answer the version query</source>
        <translation>das Gerät hat die Versionsabfrage nicht beantwortet</translation>
    </message>
    <message>
        <source>the unit did not answer the running firmware query</source>
        <translation>das Gerät hat die Abfrage der laufenden Firmware nicht beantwortet</translation>
    </message>
    <message>
        <source>programmed whole, then interrupted before the unit said which level it runs</source>
        <translation>vollständig programmiert, dann unterbrochen, bevor das Gerät seine Stufe nannte</translation>
    </message>
    <message>
        <source>the unit took the whole image but runs level %1, not %2 or more</source>
        <translation>das Gerät hat das ganze Abbild angenommen, führt aber Stufe %1 aus, nicht %2 oder höher</translation>
    </message>
    <message>
        <source>the unit took the whole image but did not say which level it runs within %1 s</source>
        <translation>das Gerät hat das ganze Abbild angenommen, aber binnen %1 s keine Stufe genannt</translation>
    </message>
    <message>
        <source>ended at once by a second interrupt; a unit left in the middle of an upload must be power-cycled</source>
        <translation>durch eine zweite Unterbrechung sofort beendet; ein mitten in der Übertragung verlassenes Gerät muss aus- und eingeschaltet werden</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>unterbrochen</translation>
    </message>
    <message>
        <source>; the error log %1 says more</source>
        <translation>; mehr steht im Fehlerprotokoll %1</translation>
    </message>
    <message>
        <source>%1 could not be reached%2</source>
        <translation>%1 war nicht erreichbar%2</translation>
    </message>
    <message>
        <source>the serial parameters &quot;%1&quot; cannot be used: %2</source>
        <translation>die seriellen Parameter „%1“ sind nicht verwendbar: %2</translation>
    </message>
    <message>
        <source>%1 stands for %2, and there is no such device</source>
        <translation>%1 steht für %2, und dieses Gerät gibt es nicht</translation>
    </message>
    <message>
        <source>%1 (%2) could not be opened%3</source>
        <translation>%1 (%2) konnte nicht geöffnet werden%3</translation>
    </message>
    <message>
        <source>no firmware folder is set: give --folder DIR, or choose one in the window (File &gt; Firmware file path)</source>
        <translation>kein Firmware-Ordner gesetzt: geben Sie --folder DIR an oder wählen Sie einen im Fenster (Datei &gt; Firmware-Pfad)</translation>
    </message>
    <message>
        <source>no firmware file can be named after &quot;%1&quot; in %2</source>
        <translation>nach „%1“ lässt sich in %2 keine Firmware-Datei benennen</translation>
    </message>
    <message>
        <source>there is no firmware file %1</source>
        <translation>es gibt keine Firmware-Datei %1</translation>
    </message>
    <message>
        <source>the firmware file %1 is empty; the unit was not programmed</source>
        <translation>die Firmware-Datei %1 ist leer; das Gerät wurde nicht programmiert</translation>
    </message>
    <message>
        <source>the unit did not answer &quot;U&quot; with &quot;S&quot;</source>
        <translation>das Gerät hat „U“ nicht mit „S“ beantwortet</translation>
    </message>
    <message>
        <source>the unit did not answer &quot;Y&quot; with &quot;A&quot;</source>
        <translation>das Gerät hat „Y“ nicht mit „A“ beantwortet</translation>
    </message>
    <message>
        <source>the unit answered &quot;Y&quot; with &quot;%1&quot;, not &quot;A&quot;</source>
        <translation>das Gerät hat „Y“ mit „%1“ beantwortet, nicht mit „A“</translation>
    </message>
    <message>
        <source>the unit did not accept block %1</source>
        <translation>das Gerät hat Block %1 nicht angenommen</translation>
    </message>
    <message>
        <source>the unit did not confirm the whole image: its last answer was not &quot;E&quot;</source>
        <translation>das Gerät hat das ganze Abbild nicht bestätigt: seine letzte Antwort war nicht „E“</translation>
    </message>
    <message>
        <source>aborted; power-cycle the unit before it is programmed again</source>
        <translation>abgebrochen; schalten Sie das Gerät aus und ein, bevor es erneut programmiert wird</translation>
    </message>
    <message>
        <source>aborted before anything was sent to the unit&apos;s loader</source>
        <translation>abgebrochen, bevor etwas an den Lader des Geräts ging</translation>
    </message>
    <message>
        <source>the firmware file %1 could not be read whole: %2</source>
        <translation>die Firmware-Datei %1 konnte nicht ganz gelesen werden: %2</translation>
    </message>
    <message>
        <source>a fatal error ended the program; the error log says which</source>
        <translation>ein schwerer Fehler hat das Programm beendet; das Fehlerprotokoll nennt ihn</translation>
    </message>
</context>
<context>
    <name>UnitMessage</name>
    <message>
        <source>Firmware Update</source>
        <translation>Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>File does not exist</source>
        <translation>Die Datei existiert nicht</translation>
    </message>
    <message>
        <source>These firmware files differ only in upper and lower case, so none of them was used:<byte value="xd"/>
%1<byte value="xd"/>
Keep only the right one in the firmware folder.</source>
        <translation>Diese Firmware-Dateien unterscheiden sich nur in Groß- und Kleinschreibung, daher wurde keine verwendet:<byte value="xd"/>
%1<byte value="xd"/>
Behalten Sie nur die richtige im Firmware-Ordner.</translation>
    </message>
    <message>
        <source>Aborting the programming cycle<byte value="xd"/>
will leave the Scaler in an unuseable state.<byte value="xd"/>
<byte value="xd"/>
 Are you Sure ?</source>
        <translation>Wenn der Programmiervorgang abgebrochen wird,<byte value="xd"/>
ist der Scaler danach nicht mehr verwendbar.<byte value="xd"/>
<byte value="xd"/>
 Sind Sie sicher?</translation>
    </message>
    <message>
        <source>Scaler upload Aborted<byte value="xd"/>
<byte value="xd"/>
Please power cycle the VQ unit</source>
        <translation>Übertragung zum Scaler abgebrochen<byte value="xd"/>
<byte value="xd"/>
Bitte das VQ-Gerät aus- und wieder einschalten</translation>
    </message>
    <message>
        <source>Turn unit off, click OK, then turn unit on.</source>
        <translation>Gerät ausschalten, auf OK klicken, dann Gerät einschalten.</translation>
    </message>
    <message>
        <source>Incorrect or no ID received.<byte value="xd"/>
Ensure you have the correct firmware file</source>
        <translation>Falsche oder keine Kennung empfangen.<byte value="xd"/>
Prüfen Sie, ob die richtige Firmware-Datei vorhanden ist</translation>
    </message>
    <message>
        <source>The firmware file for this unit is empty:<byte value="xd"/>
%1<byte value="xd"/>
The unit was not programmed.</source>
        <translation>Die Firmware-Datei für dieses Gerät ist leer:<byte value="xd"/>
%1<byte value="xd"/>
Das Gerät wurde nicht programmiert.</translation>
    </message>
    <message>
        <source>Unit did not reply with S %1</source>
        <translation>Gerät hat nicht mit S geantwortet %1</translation>
    </message>
    <message>
        <source>Unit did not reply with Y</source>
        <translation>Gerät hat nicht auf Y geantwortet</translation>
    </message>
    <message>
        <source>Scaler upload NOT successful</source>
        <translation>Übertragung zum Scaler NICHT erfolgreich</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
</context>
<context>
    <name>UnitProcesses</name>
    <message>
        <source>starting</source>
        <translation>startet</translation>
    </message>
    <message>
        <source>Interrupted: each unit stops after its current block; press Ctrl-C again to stop them at once</source>
        <translation>Unterbrochen: jedes Gerät hält nach seinem aktuellen Block an; erneut Strg-C drücken, um alle sofort anzuhalten</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>wartet</translation>
    </message>
</context>
<context>
    <name>UnitResult</name>
    <message>
        <source>failed (exit %1): %2</source>
        <translation>fehlgeschlagen (Exit %1): %2</translation>
    </message>
    <message>
        <source>ok: identification %1</source>
        <translation>ok: Kennung %1</translation>
    </message>
    <message>
        <source>ok: software version %1</source>
        <translation>ok: Softwareversion %1</translation>
    </message>
    <message>
        <source>%1 at level %2</source>
        <translation>%1 auf Stufe %2</translation>
    </message>
    <message>
        <source>unnamed firmware</source>
        <translation>unbenannte Firmware</translation>
    </message>
    <message>
        <source>ok: runs %1</source>
        <translation>ok: führt %1 aus</translation>
    </message>
    <message>
        <source>ok: unchanged, runs %1</source>
        <translation>ok: unverändert, führt %1 aus</translation>
    </message>
    <message>
        <source>ok: would be programmed</source>
        <translation>ok: würde programmiert</translation>
    </message>
    <message>
        <source>ok: %1 bytes in %2 s, now runs %3</source>
        <translation>ok: %1 Bytes in %2 s, führt jetzt %3 aus</translation>
    </message>
    <message>
        <source>ok: %1 bytes in %2 s</source>
        <translation>ok: %1 Bytes in %2 s</translation>
    </message>
</context>
<context>
    <name>UpdateCheck</name>
    <message>
        <source>Update</source>
        <translation>Aktualisierung</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Web Page not found</source>
        <translation>Webseite nicht gefunden</translation>
    </message>
    <message>
        <source>Unknown error<byte value="xd"/>
Please check internet connection settings</source>
        <translation>Unbekannter Fehler<byte value="xd"/>
Bitte die Einstellungen der Internetverbindung prüfen</translation>
    </message>
    <message>
        <source>Could not access the internet</source>
        <translation>Kein Zugriff auf das Internet möglich</translation>
    </message>
    <message>
        <source>Proxy authentication failure.<byte value="xd"/>
Please check internet connection settings</source>
        <translation>Anmeldung am Proxy fehlgeschlagen.<byte value="xd"/>
Bitte die Einstellungen der Internetverbindung prüfen</translation>
    </message>
    <message>
        <source>Update aborted at user request</source>
        <translation>Aktualisierung auf Wunsch abgebrochen</translation>
    </message>
    <message>
        <source>Wrong version of revision file on web site<byte value="xd"/>
Ensure that the programmer is the latest version</source>
        <translation>Falsche Version der Revisionsdatei auf der Website<byte value="xd"/>
Stellen Sie sicher, dass das Programm auf dem neuesten Stand ist</translation>
    </message>
    <message>
        <source>The update site has not been refreshed since %1.<byte value="xd"/>
This computer&apos;s date is %2.<byte value="xd"/>
If that date is wrong, correct it; otherwise ask the vendor to refresh the update site.</source>
        <translation>Die Update-Website wurde seit %1 nicht erneuert.<byte value="xd"/>
Das Datum dieses Computers ist %2.<byte value="xd"/>
Ist dieses Datum falsch, korrigieren Sie es; andernfalls bitten Sie den Hersteller, die Update-Website zu erneuern.</translation>
    </message>
    <message>
        <source>The update site&apos;s files were signed on %1,<byte value="xd"/>
later than this computer&apos;s date, %2.<byte value="xd"/>
Correct this computer&apos;s date and time, then check again.</source>
        <translation>Die Dateien der Update-Website wurden am %1 signiert,<byte value="xd"/>
später als das Datum dieses Computers, %2.<byte value="xd"/>
Korrigieren Sie Datum und Uhrzeit dieses Computers und prüfen Sie erneut.</translation>
    </message>
    <message>
        <source>Your current firmware requires a reboot of the scaler <byte value="xd"/>
in order to determine the scaler type. It is not possible to <byte value="xd"/>
determine the current software version of the device <byte value="xd"/>
so the latest will be downloaded<byte value="xd"/>
<byte value="xd"/>
Continue ?</source>
        <translation>Bei Ihrer aktuellen Firmware muss der Scaler neu gestartet werden, <byte value="xd"/>
um den Scaler-Typ zu ermitteln. Die aktuelle Softwareversion <byte value="xd"/>
des Geräts lässt sich nicht ermitteln, <byte value="xd"/>
daher wird die neueste heruntergeladen<byte value="xd"/>
<byte value="xd"/>
Fortfahren?</translation>
    </message>
    <message>
        <source>Failed to read scaler type</source>
        <translation>Scaler-Typ konnte nicht gelesen werden</translation>
    </message>
    <message>
        <source>Newer Version of Programmer availiable, download ?</source>
        <translation>Neuere Version des Programms verfügbar, herunterladen?</translation>
    </message>
    <message>
        <source>The application will now exit and install the updates</source>
        <translation>Das Programm wird jetzt beendet und installiert die Aktualisierungen</translation>
    </message>
    <message>
        <source>Newer Firmware availiable, download ?</source>
        <translation>Neuere Firmware verfügbar, herunterladen?</translation>
    </message>
    <message>
        <source>You currently have the latest firmware.<byte value="xd"/>
Do you wish to download anyway?</source>
        <translation>Sie haben bereits die neueste Firmware.<byte value="xd"/>
Trotzdem herunterladen?</translation>
    </message>
    <message>
        <source>Program scaler ?</source>
        <translation>Scaler programmieren?</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programmieren</translation>
    </message>
    <message>
        <source>Check Update finished</source>
        <translation>Update-Prüfung abgeschlossen</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>About Firmware Tool</source>
        <translation>Über das Firmware-Werkzeug</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>Version %1.%2.%3</source>
        <translation>Version %1.%2.%3</translation>
    </message>
    <message>
        <source>Programming tool for the VQ series units</source>
        <translation>Programmierwerkzeug für Geräte der VQ-Serie</translation>
    </message>
</context>
<context>
    <name>frm_Commsettings</name>
    <message>
        <source>Communication Settings</source>
        <translation>Kommunikationseinstellungen</translation>
    </message>
    <message>
        <source>Please Select the communications type :</source>
        <translation>Bitte die Verbindungsart wählen:</translation>
    </message>
    <message>
        <source>Ethernet</source>
        <translation>Ethernet</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>Seriell</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Com Port</source>
        <translation>&amp;COM-Anschluss</translation>
    </message>
    <message>
        <source>Com%1</source>
        <translation>Com%1</translation>
    </message>
    <message>
        <source>Baud</source>
        <translation>Baud</translation>
    </message>
    <message>
        <source>&amp;Ethernet</source>
        <translation>&amp;Ethernet</translation>
    </message>
    <message>
        <source>&amp;Baud Rate</source>
        <translation>&amp;Baudrate</translation>
    </message>
    <message>
        <source>&amp;Parity</source>
        <translation>&amp;Parität</translation>
    </message>
    <message>
        <source>&amp;None</source>
        <translation>&amp;Keine</translation>
    </message>
    <message>
        <source>&amp;Odd</source>
        <translation>&amp;Ungerade</translation>
    </message>
    <message>
        <source>&amp;Even</source>
        <translation>&amp;Gerade</translation>
    </message>
    <message>
        <source>&amp;Data Bits</source>
        <translation>&amp;Datenbits</translation>
    </message>
    <message>
        <source>&amp;Stop Bits</source>
        <translation>&amp;Stoppbits</translation>
    </message>
    <message>
        <source>&amp;Flow Control</source>
        <translation>&amp;Flusssteuerung</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Keine</translation>
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
        <translation>Nicht verfügbar, solange das Programm mit dem Gerät spricht; versuchen Sie es danach erneut</translation>
    </message>
    <message>
        <source>Unit&apos;s IP address</source>
        <translation>IP-Adresse des Geräts</translation>
    </message>
    <message>
        <source>Unit&apos;s TCP port</source>
        <translation>TCP-Port des Geräts</translation>
    </message>
</context>
<context>
    <name>frm_pathselect</name>
    <message>
        <source>Path Selection</source>
        <translation>Pfadauswahl</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Please Select the location of the vq firmware files :</source>
        <translation>Bitte den Ordner der VQ-Firmware-Dateien wählen:</translation>
    </message>
    <message>
        <source>No VQ files found please select another directory</source>
        <translation>Keine VQ-Dateien gefunden, bitte einen anderen Ordner wählen</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Laufwerk</translation>
    </message>
    <message>
        <source>Firmware files</source>
        <translation>Firmware-Dateien</translation>
    </message>
    <message>
        <source>The .vq files in the folder being looked at</source>
        <translation>Die .vq-Dateien im angezeigten Ordner</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Enter opens the folder; &quot;..&quot; is the folder above</source>
        <translation>Eingabe öffnet den Ordner; „..“ ist der übergeordnete Ordner</translation>
    </message>
</context>
<context>
    <name>frm_programme</name>
    <message>
        <source>VQ Firmware Updater</source>
        <translation>VQ-Firmware-Aktualisierung</translation>
    </message>
    <message>
        <source>&amp;Update Firmware</source>
        <translation>&amp;Firmware aktualisieren</translation>
    </message>
    <message>
        <source>Click to program the scaler.</source>
        <translation>Klicken, um den Scaler zu programmieren.</translation>
    </message>
    <message>
        <source>&amp;Abort</source>
        <translation>A&amp;bbrechen</translation>
    </message>
    <message>
        <source>Click to abort programming</source>
        <translation>Klicken, um das Programmieren abzubrechen</translation>
    </message>
    <message>
        <source>&amp;Check Update</source>
        <translation>Auf &amp;Updates prüfen</translation>
    </message>
    <message>
        <source>Click to check for updates onthe internet</source>
        <translation>Klicken, um im Internet nach Updates zu suchen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Debug</source>
        <translation>Debug</translation>
    </message>
    <message>
        <source>&amp;Firmware file path</source>
        <translation>&amp;Firmware-Pfad</translation>
    </message>
    <message>
        <source>&amp;Load</source>
        <translation>&amp;Laden</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>&amp;Werkzeuge</translation>
    </message>
    <message>
        <source>&amp;Get Ident</source>
        <translation>&amp;Kennung lesen</translation>
    </message>
    <message>
        <source>&amp;Get Version</source>
        <translation>&amp;Version lesen</translation>
    </message>
    <message>
        <source>&amp;Communications Port</source>
        <translation>&amp;Schnittstelle</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Info</translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>%1
%2 of %3 bytes</source>
        <translation>%1
%2 von %3 Bytes</translation>
    </message>
    <message>
        <source>%1
%2 bytes</source>
        <translation>%1
%2 Bytes</translation>
    </message>
    <message>
        <source>What the program is doing with the unit</source>
        <translation>Was das Programm gerade mit dem Gerät tut</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>How much of the firmware file the unit has received</source>
        <translation>Wie viel der Firmware-Datei das Gerät erhalten hat</translation>
    </message>
</context>
</TS>
