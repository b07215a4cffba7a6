<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES" sourcelanguage="en_US">
<context>
    <name>ErrorMessage</name>
    <message>
        <source>Error %1</source>
        <translation>Error %1</translation>
    </message>
    <message>
        <source>Problem with application DLL&apos;s please re-install the programmer</source>
        <translation>Problema con las bibliotecas del programa; vuelva a instalar el programador</translation>
    </message>
    <message>
        <source>Serial Communications Port Could not be opened</source>
        <translation>No se pudo abrir el puerto serie</translation>
    </message>
    <message>
        <source>Please verify that the correct port is used</source>
        <translation>Compruebe que se usa el puerto correcto</translation>
    </message>
    <message>
        <source>The connection to the unit was lost.</source>
        <translation>Se perdió la conexión con la unidad.</translation>
    </message>
    <message>
        <source>Check the cable or the network, then try again.</source>
        <translation>Compruebe el cable o la red e inténtelo de nuevo.</translation>
    </message>
    <message>
        <source>Writing to the unit failed.</source>
        <translation>Falló la escritura en la unidad.</translation>
    </message>
    <message>
        <source>A command for the unit could not be made, so it was not sent.</source>
        <translation>No se pudo crear una orden para la unidad, así que no se envió.</translation>
    </message>
    <message>
        <source>The settings were not saved.</source>
        <translation>La configuración no se guardó.</translation>
    </message>
    <message>
        <source>The installer changed after its download and was not started.</source>
        <translation>El instalador cambió después de descargarse y no se ejecutó.</translation>
    </message>
    <message>
        <source>Error test</source>
        <translation>Prueba de error</translation>
    </message>
    <message>
        <source>Scaler upload problem.</source>
        <translation>Problema en la carga al escalador.</translation>
    </message>
    <message>
        <source>Ensure no other applications are running</source>
        <translation>Asegúrese de que no haya otras aplicaciones en ejecución</translation>
    </message>
    <message>
        <source>during the programming cycle</source>
        <translation>durante la programación</translation>
    </message>
    <message>
        <source>Incorrect responce during programming</source>
        <translation>Respuesta incorrecta durante la programación</translation>
    </message>
    <message>
        <source>Firmware file not found</source>
        <translation>No se encontró el archivo de firmware</translation>
    </message>
    <message>
        <source>Tried to program a scaler setting, scaler did not respond</source>
        <translation>Se intentó programar un ajuste del escalador y este no respondió</translation>
    </message>
    <message>
        <source>The setting may not have been programmed correctly</source>
        <translation>Puede que el ajuste no se haya programado correctamente</translation>
    </message>
    <message>
        <source>Tried to read a scaler setting, scaler did not respond</source>
        <translation>Se intentó leer un ajuste del escalador y este no respondió</translation>
    </message>
    <message>
        <source>Problem with application DLL&apos;s please reinstall product</source>
        <translation>Problema con las bibliotecas del programa; vuelva a instalar el producto</translation>
    </message>
    <message>
        <source>This feature requires Internet explorer version 5 or above to be installed</source>
        <translation>Esta función requiere Internet Explorer versión 5 o posterior</translation>
    </message>
    <message>
        <source>An Error Occured in the application</source>
        <translation>Se produjo un error en la aplicación</translation>
    </message>
    <message>
        <source>Attempt to continue?</source>
        <translation>¿Intentar continuar?</translation>
    </message>
    <message>
        <source>Application problem</source>
        <translation>Problema de la aplicación</translation>
    </message>
    <message>
        <source>Fatal application error. Please product vendor</source>
        <translation>Error grave de la aplicación. Póngase en contacto con el proveedor</translation>
    </message>
    <message>
        <source>The unit log was not written.</source>
        <translation>El registro de la unidad no se escribió.</translation>
    </message>
</context>
<context>
    <name>MessageBox</name>
    <message>
        <source>Message</source>
        <translation>Mensaje</translation>
    </message>
</context>
<context>
    <name>StartUp</name>
    <message>
        <source>Incorrect version of Wininet.dll you must have <byte value="xd"/>
version 5 or above of Internet Explorer installed</source>
        <translation>Versión incorrecta de Wininet.dll: debe tener <byte value="xd"/>
instalado Internet Explorer versión 5 o posterior</translation>
    </message>
    <message>
        <source>the system&apos;s OpenSSL library (libssl3)</source>
        <translation>la biblioteca OpenSSL del sistema (libssl3)</translation>
    </message>
    <message>
        <source>Qt&apos;s OpenSSL plugin (libqt6network6)</source>
        <translation>el complemento OpenSSL de Qt (libqt6network6)</translation>
    </message>
    <message>
        <source>Check Update needs %1,<byte value="xd"/>
which could not be loaded. Install it and start the program again.</source>
        <translation>La búsqueda de actualizaciones necesita %1.<byte value="xd"/>
Este componente no se pudo cargar. Instálelo y vuelva a iniciar el programa.</translation>
    </message>
    <message>
        <source>VQ Update - %1</source>
        <extracomment>The main window&apos;s caption; the port or address of the unit follows.</extracomment>
        <translation>Actualización VQ - %1</translation>
    </message>
    <message>
        <source>VQ Update </source>
        <extracomment>The main window&apos;s caption when the communication type is unknown.</extracomment>
        <translation>Actualización VQ </translation>
    </message>
    <message>
        <source>VQ Update</source>
        <translation>Actualización VQ</translation>
    </message>
    <message>
        <source>Firmware path not set please set using File-&gt;Firmware File Path</source>
        <translation>Ruta de firmware no definida; defínala en Archivo-&gt;Ruta de firmware</translation>
    </message>
    <message>
        <source>Firmware Path</source>
        <translation>Ruta de firmware</translation>
    </message>
    <message>
        <source>Can&apos;t Open default communications port please select Tools-&gt;Communications and set a new communications port</source>
        <translation>No se puede abrir el puerto de comunicaciones predeterminado; elija otro en Herramientas-&gt;Puerto de comunicaciones</translation>
    </message>
    <message>
        <source> Error </source>
        <translation> Error </translation>
    </message>
</context>
<context>
    <name>StatusLine</name>
    <message>
        <source>Failure, Please power cycle unit and try again</source>
        <translation>Error: apague y encienda la unidad e inténtelo de nuevo</translation>
    </message>
    <message>
        <source>%1    Unit is a %2</source>
        <extracomment>The unit&apos;s identification, then its type in capitals.</extracomment>
        <translation>%1    Tipo de unidad: %2</translation>
    </message>
    <message>
        <source>Getting Id....</source>
        <translation>Leyendo identificación....</translation>
    </message>
    <message>
        <source>Unit software version = %1</source>
        <translation>Versión de software de la unidad = %1</translation>
    </message>
    <message>
        <source>Getting Version....</source>
        <translation>Leyendo versión....</translation>
    </message>
    <message>
        <source>Checking Unit....</source>
        <translation>Comprobando la unidad....</translation>
    </message>
    <message>
        <source>Resetting Unit....</source>
        <translation>Reiniciando la unidad....</translation>
    </message>
    <message>
        <source>Waiting for ID...</source>
        <translation>Esperando identificación...</translation>
    </message>
    <message>
        <source>Incorrect or no ID received</source>
        <translation>Identificación incorrecta o no recibida</translation>
    </message>
    <message>
        <source>Programming ...</source>
        <translation>Programando ...</translation>
    </message>
    <message>
        <source>Programming... %1</source>
        <translation>Programando... %1</translation>
    </message>
    <message>
        <source>Programing Complete....</source>
        <translation>Programación completada....</translation>
    </message>
</context>
<context>
    <name>TerminalAnswerer</name>
    <message>
        <source>[y/N] </source>
        <translation>[s/N] </translation>
    </message>
    <message>
        <source>[press Enter] </source>
        <translation>[pulse Intro] </translation>
    </message>
    <message>
        <source>y</source>
        <translation>s</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>sí</translation>
    </message>
</context>
<context>
    <name>UnitCommand</name>
    <message>
        <source>waiting for the unit to start its new firmware</source>
        <translation>esperando a que la unidad inicie su nuevo firmware</translation>
    </message>
    <message>
        <source>it runs %1 at level %2, below %3</source>
        <translation>ejecuta %1 en el nivel %2, por debajo de %3</translation>
    </message>
    <message>
        <source>it does not name its firmware at a level of %1 or more; only its loader can tell what it is</source>
        <translation>no nombra su firmware en el nivel %1 o superior; solo su cargador puede decir cuál es</translation>
    </message>
    <message>
        <source>the unit sent no identification line; check the port and its speed</source>
        <translation>la unidad no envió ninguna línea de identificación; compruebe el puerto y su velocidad</translation>
    </message>
    <message>
        <source>the unit did not answer the version query</source>
        <translation>la unidad no respondió a la consulta de versión</translation>
    </message>
    <message>
        <source>the unit did not answer the running firmware query</source>
        <translation>la unidad no respondió a la consulta del firmware en ejecución</translation>
    </message>
    <message>
        <source>programmed whole, then interrupted before the unit said which level it runs</source>
        <translation>programada por completo, luego interrumpida antes de que la unidad indicara su nivel</translation>
    </message>
    <message>
        <source>the unit took the whole image but runs level %1, not %2 or more</source>
        <translation>la unidad recibió la imagen completa pero ejecuta el nivel %1, no %2 o superior</translation>
    </message>
    <message>
        <source>the unit took the whole image but did not say which level it runs within %1 s</source>
        <translation>la unidad recibió la imagen completa pero no indicó su nivel en %1 s</translation>
    </message>
    <message>
        <source>ended at once by a second interrupt; a unit left in the middle of an upload must be power-cycled</source>
        <translation>terminado de inmediato por una segunda interrupción; una unidad dejada a mitad de la carga debe apagarse y encenderse</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>interrumpido</translation>
    </message>
    <message>
        <source>; the error log %1 says more</source>
        <translation>; el registro de errores %1 dice más</translation>
    </message>
    <message>
        <source>%1 could not be reached%2</source>
        <translation>no se pudo alcanzar %1%2</translation>
    </message>
    <message>
        <source>the serial parameters &quot;%1&quot; cannot be used: %2</source>
        <translation>los parámetros serie «%1» no se pueden usar: %2</translation>
    </message>
    <message>
        <source>%1 stands for %2, and there is no such device</source>
        <translation>%1 corresponde a %2, y ese dispositivo no existe</translation>
    </message>
    <message>
        <source>%1 (%2) could not be opened%3</source>
        <translation>no se pudo abrir %1 (%2)%3</translation>
    </message>
    <message>
        <source>no firmware folder is set: give --folder DIR, or choose one in the window (File &gt; Firmware file path)</source>
        <translation>no hay carpeta de firmware: indique --folder DIR o elija una en la ventana (Archivo &gt; Ruta de firmware)</translation>
    </message>
    <message>
        <source>no firmware file can be named after &quot;%1&quot; in %2</source>
        <translation>ningún archivo de firmware puede llamarse según «%1» en %2</translation>
    </message>
    <message>
        <source>there is no firmware file %1</source>
        <translation>no existe el archivo de firmware %1</translation>
    </message>
    <message>
        <source>the firmware file %1 is empty; the unit was not programmed</source>
        <translation>el archivo de firmware %1 está vacío; la unidad no se programó</translation>
    </message>
    <message>
        <source>the unit did not answer &quot;U&quot; with &quot;S&quot;</source>
        <translation>la unidad no respondió «S» a «U»</translation>
    </message>
    <message>
        <source>the unit did not answer &quot;Y&quot; with &quot;A&quot;</source>
        <translation>la unidad no respondió «A» a «Y»</translation>
    </message>
    <message>
        <source>the unit answered &quot;Y&quot; with &quot;%1&quot;, not &quot;A&quot;</source>
        <translation>la unidad respondió «%1» a «Y», no «A»</translation>
    </message>
    <message>
        <source>the unit did not accept block %1</source>
        <translation>la unidad no aceptó el bloque %1</translation>
    </message>
    <message>
        <source>the unit did not confirm the whole image: its last answer was not &quot;E&quot;</source>
        <translation>la unidad no confirmó la imagen completa: su última respuesta no fue «E»</translation>
    </message>
    <message>
        <source>aborted; power-cycle the unit before it is programmed again</source>
        <translation>cancelado; apague y encienda la unidad antes de volver a programarla</translation>
    </message>
    <message>
        <source>aborted before anything was sent to the unit&apos;s loader</source>
        <translation>cancelado antes de enviar nada al cargador de la unidad</translation>
    </message>
    <message>
        <source>the firmware file %1 could not be read whole: %2</source>
        <translation>el archivo de firmware %1 no se pudo leer entero: %2</translation>
    </message>
    <message>
        <source>a fatal error ended the program; the error log says which</source>
        <translation>un error fatal terminó el programa; el registro de errores indica cuál</translation>
    </message>
</context>
<context>
    <name>UnitMessage</name>
    <message>
        <source>Firmware Update</source>
        <translation>Actualización de firmware</translation>
    </message>
    <message>
        <source>File does not exist</source>
        <translation>El archivo no existe</translation>
    </message>
    <message>
        <source>These firmware files differ only in upper and lower case, so none of them was used:<byte value="xd"/>
%1<byte value="xd"/>
Keep only the right one in the firmware folder.</source>
        <translation>Estos archivos de firmware solo difieren en mayúsculas y minúsculas, por lo que no se usó ninguno:<byte value="xd"/>
%1<byte value="xd"/>
Deje solo el correcto en la carpeta de firmware.</translation>
    </message>
    <message>
        <source>Aborting the programming cycle<byte value="xd"/>
will leave the Scaler in an unuseable state.<byte value="xd"/>
<byte value="xd"/>
 Are you Sure ?</source>
        <translation>Interrumpir la programación<byte value="xd"/>
dejará el escalador inutilizable.<byte value="xd"/>
<byte value="xd"/>
 ¿Está seguro?</translation>
    </message>
    <message>
        <source>Scaler upload Aborted<byte value="xd"/>
<byte value="xd"/>
Please power cycle the VQ unit</source>
        <translation>Carga al escalador interrumpida<byte value="xd"/>
<byte value="xd"/>
Apague y encienda la unidad VQ</translation>
    </message>
    <message>
        <source>Turn unit off, click OK, then turn unit on.</source>
        <translation>Apague la unidad, haga clic en Aceptar y vuelva a encenderla.</translation>
    </message>
    <message>
        <source>Incorrect or no ID received.<byte value="xd"/>
Ensure you have the correct firmware file</source>
        <translation>Identificación incorrecta o no recibida.<byte value="xd"/>
Compruebe que tiene el archivo de firmware correcto</translation>
    </message>
    <message>
        <source>The firmware file for this unit is empty:<byte value="xd"/>
%1<byte value="xd"/>
The unit was not programmed.</source>
        <translation>El archivo de firmware de esta unidad está vacío:<byte value="xd"/>
%1<byte value="xd"/>
La unidad no se ha programado.</translation>
    </message>
    <message>
        <source>Unit did not reply with S %1</source>
        <translation>La unidad no respondió con S %1</translation>
    </message>
    <message>
        <source>Unit did not reply with Y</source>
        <translation>La unidad no respondió a Y</translation>
    </message>
    <message>
        <source>Scaler upload NOT successful</source>
        <translation>La carga al escalador NO se completó</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Advertencia</translation>
    </message>
</context>
<context>
    <name>UnitProcesses</name>
    <message>
        <source>starting</source>
        <translation>iniciando</translation>
    </message>
    <message>
        <source>Interrupted: each unit stops after its current block; press Ctrl-C again to stop them at once</source>
        <translation>Interrumpido: cada unidad se detiene tras su bloque actual; pulse Ctrl-C otra vez para detenerlas de inmediato</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>en espera</translation>
    </message>
</context>
<context>
    <name>UnitResult</name>
    <message>
        <source>failed (exit %1): %2</source>
        <translation>falló (salida %1): %2</translation>
    </message>
    <message>
        <source>ok: identification %1</source>
        <translation>ok: identificación %1</translation>
    </message>
    <message>
        <source>ok: software version %1</source>
        <translation>ok: versión de software %1</translation>
    </message>
    <message>
        <source>%1 at level %2</source>
        <translation>%1 en el nivel %2</translation>
    </message>
    <message>
        <source>unnamed firmware</source>
        <translation>firmware sin nombre</translation>
    </message>
    <message>
        <source>ok: runs %1</source>
        <translation>ok: ejecuta %1</translation>
    </message>
    <message>
        <source>ok: unchanged, runs %1</source>
        <translation>ok: sin cambios, ejecuta %1</translation>
    </message>
    <message>
        <source>ok: would be programmed</source>
        <translation>ok: se programaría</translation>
    </message>
    <message>
        <source>ok: %1 bytes in %2 s, now runs %3</source>
        <translation>ok: %1 bytes en %2 s, ahora ejecuta %3</translation>
    </message>
    <message>
        <source>ok: %1 bytes in %2 s</source>
        <translation>ok: %1 bytes en %2 s</translation>
    </message>
</context>
<context>
    <name>UpdateCheck</name>
    <message>
        <source>Update</source>
        <translation>Actualización</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Actualizaciones</translation>
    </message>
    <message>
        <source>Web Page not found</source>
        <translation>No se encontró la página web</translation>
    </message>
    <message>
        <source>Unknown error<byte value="xd"/>
Please check internet connection settings</source>
        <translation>Error desconocido<byte value="xd"/>
Compruebe la configuración de la conexión a Internet</translation>
    </message>
    <message>
        <source>Could not access the internet</source>
        <translation>No se pudo acceder a Internet</translation>
    </message>
    <message>
        <source>Proxy authentication failure.<byte value="xd"/>
Please check internet connection settings</source>
        <translation>Falló la autenticación en el proxy.<byte value="xd"/>
Compruebe la configuración de la conexión a Internet</translation>
    </message>
    <message>
        <source>Update aborted at user request</source>
        <translation>Actualización cancelada a petición del usuario</translation>
    </message>
    <message>
        <source>Wrong version of revision file on web site<byte value="xd"/>
Ensure that the programmer is the latest version</source>
        <translation>Versión incorrecta del archivo de revisión en el sitio web<byte value="xd"/>
Compruebe que el programador es la última versión</translation>
    </message>
    <message>
        <source>The update site has not been refreshed since %1.<byte value="xd"/>
This computer&apos;s date is %2.<byte value="xd"/>
If that date is wrong, correct it; otherwise ask the vendor to refresh the update site.</source>
        <translation>El sitio de actualizaciones no se ha renovado desde el %1.<byte value="xd"/>
La fecha de este equipo es %2.<byte value="xd"/>
Si esa fecha es incorrecta, corríjala; si no, pida al proveedor que renueve el sitio.</translation>
    </message>
    <message>
        <source>The update site&apos;s files were signed on %1,<byte value="xd"/>
later than this computer&apos;s date, %2.<byte value="xd"/>
Correct this computer&apos;s date and time, then check again.</source>
        <translation>Los archivos del sitio de actualizaciones se firmaron el %1,<byte value="xd"/>
posterior a la fecha de este equipo, %2.<byte value="xd"/>
Corrija la fecha y la hora de este equipo y vuelva a comprobarlo.</translation>
    </message>
    <message>
        <source>Your current firmware requires a reboot of the scaler <byte value="xd"/>
in order to determine the scaler type. It is not possible to <byte value="xd"/>
determine the current software version of the device <byte value="xd"/>
so the latest will be downloaded<byte value="xd"/>
<byte value="xd"/>
Continue ?</source>
        <translation>Su firmware actual requiere reiniciar el escalador <byte value="xd"/>
para determinar el tipo de escalador. No es posible <byte value="xd"/>
determinar la versión de software actual del dispositivo, <byte value="xd"/>
por lo que se descargará la más reciente<byte value="xd"/>
<byte value="xd"/>
¿Continuar?</translation>
    </message>
    <message>
        <source>Failed to read scaler type</source>
        <translation>No se pudo leer el tipo de escalador</translation>
    </message>
    <message>
        <source>Newer Version of Programmer availiable, download ?</source>
        <translation>Hay una versión más reciente del programador, ¿descargarla?</translation>
    </message>
    <message>
        <source>The application will now exit and install the updates</source>
        <translation>La aplicación se cerrará ahora e instalará las actualizaciones</translation>
    </message>
    <message>
        <source>Newer Firmware availiable, download ?</source>
        <translation>Hay un firmware más reciente, ¿descargarlo?</translation>
    </message>
    <message>
        <source>You currently have the latest firmware.<byte value="xd"/>
Do you wish to download anyway?</source>
        <translation>Ya tiene el firmware más reciente.<byte value="xd"/>
¿Desea descargarlo de todos modos?</translation>
    </message>
    <message>
        <source>Program scaler ?</source>
        <translation>¿Programar el escalador?</translation>
    </message>
    <message>
        <source>Program</source>
        <translation>Programar</translation>
    </message>
    <message>
        <source>Check Update finished</source>
        <translation>Búsqueda de actualizaciones terminada</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>About Firmware Tool</source>
        <translation>Acerca de la herramienta de firmware</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>About %1</source>
        <translation>Acerca de %1</translation>
    </message>
    <message>
        <source>Version %1.%2.%3</source>
        <translation>Versión %1.%2.%3</translation>
    </message>
    <message>
        <source>Programming tool for the VQ series units</source>
        <translation>Herramienta de programación para unidades de la serie VQ</translation>
    </message>
</context>
<context>
    <name>frm_Commsettings</name>
    <message>
        <source>Communication Settings</source>
        <translation>Configuración de comunicaciones</translation>
    </message>
    <message>
        <source>Please Select the communications type :</source>
        <translation>Seleccione el tipo de comunicación:</translation>
    </message>
    <message>
        <source>Ethernet</source>
        <translation>Ethernet</translation>
    </message>
    <message>
        <source>Serial</source>
        <translation>Serie</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Cancelar</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;Aceptar</translation>
    </message>
    <message>
        <source>&amp;Com Port</source>
        <translation>&amp;Puerto COM</translation>
    </message>
    <message>
        <source>Com%1</source>
        <translation>Com%1</translation>
    </message>
    <message>
        <source>Baud</source>
        <translation>Baudios</translation>
    </message>
    <message>
        <source>&amp;Ethernet</source>
        <translation>&amp;Ethernet</translation>
    </message>
    <message>
        <source>&amp;Baud Rate</source>
        <translation>&amp;Velocidad en baudios</translation>
    </message>
    <message>
        <source>&amp;Parity</source>
        <translation>&amp;Paridad</translation>
    </message>
    <message>
        <source>&amp;None</source>
        <translation>&amp;Ninguna</translation>
    </message>
    <message>
        <source>&amp;Odd</source>
        <translation>&amp;Impar</translation>
    </message>
    <message>
        <source>&amp;Even</source>
        <translation>P&amp;ar</translation>
    </message>
    <message>
        <source>&amp;Data Bits</source>
        <translation>Bits de &amp;datos</translation>
    </message>
    <message>
        <source>&amp;Stop Bits</source>
        <translation>Bits de &amp;parada</translation>
    </message>
    <message>
        <source>&amp;Flow Control</source>
        <translation>&amp;Control de flujo</translation>
    </message>
    <message>
        <source>None</source>
        <translation>Ninguno</translation>
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
        <translation>No disponible mientras el programa se comunica con la unidad; inténtelo de nuevo cuando termine</translation>
    </message>
    <message>
        <source>Unit&apos;s IP address</source>
        <translation>Dirección IP de la unidad</translation>
    </message>
    <message>
        <source>Unit&apos;s TCP port</source>
        <translation>Puerto TCP de la unidad</translation>
    </message>
</context>
<context>
    <name>frm_pathselect</name>
    <message>
        <source>Path Selection</source>
        <translation>Selección de ruta</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;Aceptar</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Cancelar</translation>
    </message>
    <message>
        <source>Please Select the location of the vq firmware files :</source>
        <translation>Seleccione la ubicación de los archivos de firmware VQ:</translation>
    </message>
    <message>
        <source>No VQ files found please select another directory</source>
        <translation>No se encontraron archivos VQ; seleccione otra carpeta</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Drive</source>
        <translation>Unidad de disco</translation>
    </message>
    <message>
        <source>Firmware files</source>
        <translation>Archivos de firmware</translation>
    </message>
    <message>
        <source>The .vq files in the folder being looked at</source>
        <translation>Los archivos .vq de la carpeta mostrada</translation>
    </message>
    <message>
        <source>Folders</source>
        <translation>Carpetas</translation>
    </message>
    <message>
        <source>Enter opens the folder; &quot;..&quot; is the folder above</source>
        <translation>Intro abre la carpeta; «..» es la carpeta superior</translation>
    </message>
</context>
<context>
    <name>frm_programme</name>
    <message>
        <source>VQ Firmware Updater</source>
        <translation>Actualizador de firmware VQ</translation>
    </message>
    <message>
        <source>&amp;Update Firmware</source>
        <translation>Actualizar &amp;firmware</translation>
    </message>
    <message>
        <source>Click to program the scaler.</source>
        <translation>Haga clic para programar el escalador.</translation>
    </message>
    <message>
        <source>&amp;Abort</source>
        <translation>&amp;Interrumpir</translation>
    </message>
    <message>
        <source>Click to abort programming</source>
        <translation>Haga clic para interrumpir la programación</translation>
    </message>
    <message>
        <source>&amp;Check Update</source>
        <translation>&amp;Buscar actualizaciones</translation>
    </message>
    <message>
        <source>Click to check for updates onthe internet</source>
        <translation>Haga clic para buscar actualizaciones en Internet</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message>
        <source>Debug</source>
        <translation>Depuración</translation>
    </message>
    <message>
        <source>&amp;Firmware file path</source>
        <translation>&amp;Ruta de firmware</translation>
    </message>
    <message>
        <source>&amp;Load</source>
        <translation>&amp;Cargar</translation>
    </message>
    <message>
        <source>&amp;Exit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>&amp;Herramientas</translation>
    </message>
    <message>
        <source>&amp;Get Ident</source>
        <translation>Leer &amp;identificación</translation>
    </message>
    <message>
        <source>&amp;Get Version</source>
        <translation>Leer &amp;versión</translation>
    </message>
    <message>
        <source>&amp;Communications Port</source>
        <translation>&amp;Puerto de comunicaciones</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Acerca &amp;de</translation>
    </message>
    <message>
        <source>Downloading</source>
        <translation>Descargando</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>%1
%2 of %3 bytes</source>
        <translation>%1
%2 de %3 bytes</translation>
    </message>
    <message>
        <source>%1
%2 bytes</source>
        <translation>%1
%2 bytes</translation>
    </message>
    <message>
        <source>What the program is doing with the unit</source>
        <translation>Lo que el programa hace con la unidad</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progreso</translation>
    </message>
    <message>
        <source>How much of the firmware file the unit has received</source>
        <translation>Cuánto del archivo de firmware ha recibido la unidad</translation>
    </message>
</context>
</TS>
