<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en">
<context>
    <name>CliText</name>
    <message>
        <source>%1 given more than once</source>
        <translation>%1 указан больше одного раза</translation>
    </message>
    <message>
        <source>not a frequency in MHz: &quot;%1&quot; (write digits with &quot;.&quot; as separator)</source>
        <translation>не частота в МГц: «%1» (пишите цифры с «.» в качестве разделителя)</translation>
    </message>
    <message>
        <source>frequency out of bounds: &quot;%1&quot; (above 0 and at most 99999999 MHz)</source>
        <translation>частота вне границ: «%1» (больше 0 и не больше 99999999 МГц)</translation>
    </message>
    <message>
        <source>%1 takes a date or a time, not &quot;%2&quot; (forms: %3)</source>
        <translation>%1 принимает дату или время, а не «%2» (формы: %3)</translation>
    </message>
    <message>
        <source>unknown transmitter type &quot;%1&quot; (13, 14 or 15)</source>
        <translation>неизвестный тип передатчика «%1» (13, 14 или 15)</translation>
    </message>
    <message>
        <source>unknown grid step &quot;%1&quot; (12.5 or 25)</source>
        <translation>неизвестный шаг сетки «%1» (12.5 или 25)</translation>
    </message>
    <message>
        <source>not hexadecimal: &quot;%1&quot;</source>
        <translation>не шестнадцатеричное число: «%1»</translation>
    </message>
    <message>
        <source>expected %1 bytes (%2 hex digits), got %3 digits</source>
        <translation>ожидалось байтов: %1 (шестнадцатеричных цифр: %2), получено цифр: %3</translation>
    </message>
    <message>
        <source>programmed and verified</source>
        <translation>запрограммирован и проверен</translation>
    </message>
    <message>
        <source>give either --plan FILE or --f1 MHZ</source>
        <translation>укажите либо --plan FILE, либо --f1 MHZ</translation>
    </message>
    <message>
        <source>%1 goes with --f1; a plan gives each unit its frequencies</source>
        <translation>%1 указывается вместе с --f1; план задаёт частоты каждому передатчику</translation>
    </message>
    <message>
        <source>--units needs a whole number of units, 1 or more</source>
        <translation>--units требует целого числа передатчиков, 1 или больше</translation>
    </message>
    <message>
        <source>stopped by a signal once the write in progress had ended</source>
        <translation>остановлено сигналом после завершения текущей записи</translation>
    </message>
    <message>
        <source>every unit of the plan is programmed</source>
        <translation>все передатчики плана запрограммированы</translation>
    </message>
    <message>
        <source>the unit could not be read and nobody is at the terminal: the batch ends</source>
        <translation>передатчик не удалось считать, а за терминалом никого нет: серия завершена</translation>
    </message>
    <message>
        <source>unit %1 is still connected and no next unit came: the batch ends</source>
        <translation>передатчик %1 всё ещё подключен, следующий не появился: серия завершена</translation>
    </message>
    <message>
        <source>already programmed, or being programmed, in this batch: not written again</source>
        <translation>уже запрограммирован или программируется в этой серии: повторно не записан</translation>
    </message>
    <message>
        <source>not in the plan: nothing was written</source>
        <translation>нет в плане: ничего не записано</translation>
    </message>
    <message>
        <source>%1 s</source>
        <comment>seconds</comment>
        <translation>%1 с</translation>
    </message>
    <message>
        <source>FAILED</source>
        <translation>ОШИБКА</translation>
    </message>
    <message>
        <source>q</source>
        <comment>the letter that ends a batch</comment>
        <translation>з</translation>
    </message>
    <message>
        <source>quit</source>
        <comment>the word that ends a batch</comment>
        <translation>завершить</translation>
    </message>
    <message>
        <source>connect the next transmitter and press Enter (%1 ends): </source>
        <translation>подключите следующий передатчик и нажмите Enter (%1 — завершить): </translation>
    </message>
    <message>
        <source>%1 programmed, %2 skipped, %3 failed in %4 s: %5 units programmed per hour</source>
        <translation>запрограммировано: %1, пропущено: %2, с ошибкой: %3 за %4 с: %5 передатчиков в час</translation>
    </message>
    <message>
        <source>state unknown, read these units again: %1</source>
        <translation>состояние неизвестно, считайте эти передатчики заново: %1</translation>
    </message>
    <message>
        <source>%1 takes no positional arguments</source>
        <translation>%1 не принимает позиционных аргументов</translation>
    </message>
    <message>
        <source>cannot read the plan %1: %2</source>
        <translation>не удаётся прочитать план %1: %2</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>это не обычный файл</translation>
    </message>
    <message>
        <source>it is larger than 10 MiB</source>
        <translation>он больше 10 МиБ</translation>
    </message>
    <message>
        <source>not valid CSV after row %1: %2</source>
        <translation>неверный CSV после строки %1: %2</translation>
    </message>
    <message>
        <source>the plan %1 is %2</source>
        <translation>план %1: %2</translation>
    </message>
    <message>
        <source>the plan %1 must start with the header serial,f1,f2,step</source>
        <translation>план %1 должен начинаться с заголовка serial,f1,f2,step</translation>
    </message>
    <message>
        <source>the plan %1, row %2: </source>
        <translation>план %1, строка %2: </translation>
    </message>
    <message>
        <source>more fields than the header names</source>
        <translation>полей больше, чем в заголовке</translation>
    </message>
    <message>
        <source>no serial number</source>
        <translation>нет серийного номера</translation>
    </message>
    <message>
        <source>serial number %1 is planned twice</source>
        <translation>серийный номер %1 запланирован дважды</translation>
    </message>
    <message>
        <source>the plan %1 plans no unit</source>
        <translation>в плане %1 нет ни одного передатчика</translation>
    </message>
    <message>
        <source>%1 MHz</source>
        <translation>%1 МГц</translation>
    </message>
    <message>
        <source>give exactly one frequency in MHz</source>
        <translation>укажите ровно одну частоту в МГц</translation>
    </message>
    <message>
        <source>%1 MHz cannot be programmed in legacy mode: the closest divisors (R %2, N %3, A %4) miss it by %5 Hz; at most %6 Hz is allowed</source>
        <translation>%1 МГц нельзя запрограммировать в старом режиме: ближайшие делители (R %2, N %3, A %4) промахиваются на %5 Гц; допускается не больше %6 Гц</translation>
    </message>
    <message>
        <source>%1 MHz cannot be programmed in legacy mode: no divisors come within 1 MHz of it</source>
        <translation>%1 МГц нельзя запрограммировать в старом режиме: никакие делители не дают частоту ближе 1 МГц к ней</translation>
    </message>
    <message>
        <source>achieved %1 Hz (%2), error %3 Hz</source>
        <translation>получено %1 Гц (%2), ошибка %3 Гц</translation>
    </message>
    <message>
        <source>grid mode needs --type 13, 14 or 15</source>
        <translation>режиму сетки нужен --type 13, 14 или 15</translation>
    </message>
    <message>
        <source>achieved %1 Hz (%2)</source>
        <translation>получено %1 Гц (%2)</translation>
    </message>
    <message>
        <source>channel %1 record: %2</source>
        <translation>запись канала %1: %2</translation>
    </message>
    <message>
        <source>outside the range of type %1 (%2 to %3 MHz): the programmer refuses to write it</source>
        <translation>вне диапазона типа %1 (от %2 до %3 МГц): программатор откажется её записать</translation>
    </message>
    <message>
        <source>choose one of --legacy and --grid</source>
        <translation>выберите одно из --legacy и --grid</translation>
    </message>
    <message>
        <source>--type, --step and --second belong to --grid</source>
        <translation>--type, --step и --second относятся к --grid</translation>
    </message>
    <message>
        <source>a grid-mode record needs --type 13, 14 or 15</source>
        <translation>записи в режиме сетки нужен --type 13, 14 или 15</translation>
    </message>
    <message>
        <source>in use</source>
        <translation>используется</translation>
    </message>
    <message>
        <source>not in use</source>
        <translation>не используется</translation>
    </message>
    <message>
        <source>flags 0x%1: %2, grid mode, %3 kHz step</source>
        <translation>флаги 0x%1: %2, режим сетки, шаг %3 кГц</translation>
    </message>
    <message>
        <source>flags 0x%1: %2, legacy mode</source>
        <translation>флаги 0x%1: %2, старый режим</translation>
    </message>
    <message>
        <source>CRC %1: %2</source>
        <translation>CRC %1: %2</translation>
    </message>
    <message>
        <source>intact</source>
        <translation>верна</translation>
    </message>
    <message>
        <source>does not match</source>
        <translation>не совпадает</translation>
    </message>
    <message>
        <source>frequency %1</source>
        <translation>частота %1</translation>
    </message>
    <message>
        <source>frequency: none (R is 0)</source>
        <translation>частота: нет (R равно 0)</translation>
    </message>
    <message>
        <source>warning: the journal was not written: %1</source>
        <translation>предупреждение: журнал не записан: %1</translation>
    </message>
    <message>
        <source>no command given</source>
        <translation>команда не указана</translation>
    </message>
    <message>
        <source>unknown command &quot;%1&quot;</source>
        <translation>неизвестная команда «%1»</translation>
    </message>
    <message>
        <source>try: torvctl --help</source>
        <translation>справка: torvctl --help</translation>
    </message>
    <message>
        <source>the write of %1</source>
        <translation>записью от %1</translation>
    </message>
    <message>
        <source>warning: the journal&apos;s row of %1 cannot be decoded (%2): passed over</source>
        <translation>предупреждение: строку журнала с %1 не удаётся разобрать (%2): пропущена</translation>
    </message>
    <message>
        <source>warning: the block the unit held before %1 failed its check (%2): passed over; --accept-damaged writes it back</source>
        <translation>предупреждение: блок, который был в передатчике перед %1, не прошёл проверку (%2): пропущен; --accept-damaged записывает его обратно</translation>
    </message>
    <message>
        <source>ports takes no arguments</source>
        <translation>ports не принимает аргументов</translation>
    </message>
    <message>
        <source>no serial ports found</source>
        <translation>последовательные порты не найдены</translation>
    </message>
    <message>
        <source>warning: %1 failed its check and was accepted as read: what it shows may be wrong</source>
        <translation>предупреждение: %1 не прошла проверку и принята как считана: показанное может быть неверным</translation>
    </message>
    <message>
        <source>write needs --f1 MHZ</source>
        <translation>write требует --f1 MHZ</translation>
    </message>
    <message>
        <source>restore needs --serial S, the serial number of the unit to restore</source>
        <translation>restore требует --serial S, серийный номер восстанавливаемого передатчика</translation>
    </message>
    <message>
        <source>the journal holds no verified write of unit %1 before %2 to go back from</source>
        <translation>в журнале нет проверенной записи передатчика %1 до %2, от которой можно вернуться</translation>
    </message>
    <message>
        <source>the journal holds no verified write of unit %1 to go back from</source>
        <translation>в журнале нет проверенной записи передатчика %1, от которой можно вернуться</translation>
    </message>
    <message>
        <source>the connected unit is %1, not %2: nothing was written</source>
        <translation>подключен передатчик %1, а не %2: ничего не записано</translation>
    </message>
    <message>
        <source>warning: %1 of the block journaled before %2 failed its check and is written back as accepted: what it restores may be wrong</source>
        <translation>предупреждение: %1 блока, записанного в журнал перед %2, не прошла проверку и записывается обратно как принятая: восстановленное может быть неверным</translation>
    </message>
    <message>
        <source>give either --port NAME|PATH or --demo</source>
        <translation>укажите либо --port NAME|PATH, либо --demo</translation>
    </message>
    <message>
        <source>--port needs a port name or a device path (torvctl ports lists them)</source>
        <translation>--port требует имени порта или пути к устройству (их перечисляет torvctl ports)</translation>
    </message>
    <message>
        <source>the parameter block read failed its check (%1) and was not accepted: nothing was written; --accept-damaged accepts it</source>
        <translation>считанный блок параметров не прошёл проверку (%1) и не принят: ничего не записано; --accept-damaged принимает его</translation>
    </message>
    <message>
        <source>the write was abandoned by a signal before its verification: the unit&apos;s state is unknown; read it again</source>
        <translation>запись прервана сигналом до проверки: состояние передатчика неизвестно; считайте его заново</translation>
    </message>
    <message>
        <source>another transmitter was connected when the write was to be repeated: nothing was written to it; the state of the unit read first is unknown; read it again</source>
        <translation>при повторе записи был подключен другой передатчик: в него ничего не записано; состояние передатчика, считанного первым, неизвестно; считайте его заново</translation>
    </message>
    <message>
        <source>the block was sent to the transmitter but its read-back did not confirm it: the unit&apos;s state is unknown; read it again</source>
        <translation>блок отправлен в передатчик, но контрольное чтение его не подтвердило: состояние передатчика неизвестно; считайте его заново</translation>
    </message>
    <message>
        <source>the block is on its way into the transmitter: the write and its verification are finished first (a second signal abandons them, leaving the unit&apos;s state unknown)</source>
        <translation>блок уже передаётся в передатчик: сначала завершатся запись и её проверка (второй сигнал прервёт их, и состояние передатчика останется неизвестным)</translation>
    </message>
    <message>
        <source>the write is abandoned: the unit&apos;s state is unknown</source>
        <translation>запись прервана: состояние передатчика неизвестно</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>не удаётся открыть %1: %2</translation>
    </message>
    <message>
        <source>%1 is in use by another program, or is not a serial port (%2)</source>
        <translation>%1 занят другой программой или не является последовательным портом (%2)</translation>
    </message>
    <message>
        <source>the exchange with the transmitter did not complete (last prompt: %1)</source>
        <translation>обмен с передатчиком не завершён (последний вопрос: %1)</translation>
    </message>
    <message>
        <source>the exchange with the transmitter did not complete</source>
        <translation>обмен с передатчиком не завершён</translation>
    </message>
    <message>
        <source>no operations recorded</source>
        <translation>в журнале нет операций</translation>
    </message>
    <message>
        <source>give --json or --csv, not both</source>
        <translation>укажите --json или --csv, но не оба</translation>
    </message>
    <message>
        <source>--outcome takes success or failed, not &quot;%1&quot;</source>
        <translation>--outcome принимает success или failed, а не «%1»</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Ошибка</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Внимание</translation>
    </message>
    <message>
        <source>Attention!</source>
        <translation>Внимание!</translation>
    </message>
    <message>
        <source>The adapter was not found. Make sure that the adapter
is connected and its power is on.
Retry the operation?</source>
        <translation>Адаптер не обнаружен. Убедитесь, что адаптер
подключен и на него подано напряжение питания.
Повторить операцию?</translation>
    </message>
    <message>
        <source>The adapter does not answer. Make sure that the adapter
is connected and its power is on.
Retry the operation?</source>
        <translation>Адаптер не отвечает. Убедитесь, что адаптер
подключен и на него  подано напряжение питания.
Повторить операцию?</translation>
    </message>
    <message>
        <source>The device type could not be set. Switch the device&apos;s power
off and on, and repeat the operation.
Retry the operation?</source>
        <translation>Не удалось установить тип устройства. Выполните
сброс устройства по питанию и повторите операцию.
Повторить операцию?</translation>
    </message>
    <message>
        <source>No transmitter is connected to the adapter.
Connect the transmitter and repeat the operation.
Retry the operation?</source>
        <translation>Передатчик не подключен к адаптеру.
Подключите передатчик и повторите операцию.
Повторить операцию?</translation>
    </message>
    <message>
        <source>The device being programmed is not a transmitter.
Connect a transmitter to the adapter and repeat the operation.
Retry the operation?</source>
        <translation>Программируемое устройство не является передатчиком.
Подключите передатчик к адаптеру и повторите операцию.
Повторить операцию?</translation>
    </message>
    <message>
        <source>Checksum error. The data read
may not be true.
Retry the operation?</source>
        <translation>Ошибка контрольной суммы. Считанные данные
могут  не соответсвовать действительности.
Повторить операцию?</translation>
    </message>
    <message>
        <source>Error writing to the transmitter. The data written
are not true.
Retry the operation?</source>
        <translation>Ошибка записи в передатчик. Записанные
данные не соответсвовуют действительности.
Повторить операцию?</translation>
    </message>
    <message>
        <source>The transmitter does not answer. Make sure that the transmitter
is connected to the adapter and its power is on.
Retry the operation?</source>
        <translation>Передатчик не отвечает. Убедитесь, что передатчик
подключен к адаптеру и подано напряжение питания.
Повторить операцию?</translation>
    </message>
    <message>
        <source>Port %1 is in use by the system.
Choose another port.</source>
        <translation>Порт %1 занят системой.
Выберите другой порт.</translation>
    </message>
    <message>
        <source>Another transmitter is connected (serial number %1). Nothing was written.</source>
        <translation>Подключен другой передатчик (серийный № %1). Запись не выполнена.</translation>
    </message>
    <message>
        <source>The 25 kHz grid will be set!</source>
        <translation>Будет выставлена сетка 25 кГц!</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <comment>a message&apos;s caption and text</comment>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Frequency #%1 %2 MHz cannot be programmed,
as it needs the transmitter to be tuned.
Contact the manufacturer.</source>
        <translation>Частота №%1 %2 МГц не может быть запрограммирована,
так как для неё требуется  подстройка передатчика.
Обратитесь на фирму производителя.</translation>
    </message>
    <message>
        <source>Nearest: %1 MHz</source>
        <translation>Ближайшая: %1 МГц</translation>
    </message>
    <message>
        <source>Nearest: %1 and %2 MHz</source>
        <translation>Ближайшие: %1 и %2 МГц</translation>
    </message>
    <message>
        <source>Frequency #%1 %2 MHz cannot be programmed,
as the transmitter&apos;s frequency range is exceeded.
Contact the manufacturer.</source>
        <comment>frequency 1</comment>
        <translation>Частота №%1 %2 МГц не может быть запрограммирована,
так как превышен диапозон частот для передатчика.
Обратитесь на фирму производителя.</translation>
    </message>
    <message>
        <source>Frequency #%1 %2 MHz cannot be programmed,
as the transmitter&apos;s frequency range is exceeded.
Contact the manufacturer.</source>
        <comment>frequency 2</comment>
        <translation>Частота №%1 %2 МГц не может быть запрограммирована,
так как превышен диапазон частот для передатчика.
Обратитесь на фирму производителя.</translation>
    </message>
    <message>
        <source>The transmitter&apos;s band: %1 to %2 MHz</source>
        <translation>Диапазон передатчика: %1 – %2 МГц</translation>
    </message>
    <message>
        <source>Data read successfully.</source>
        <translation>Данные успешно считаны.</translation>
    </message>
    <message>
        <source>Data updated successfully.</source>
        <translation>Данные успешно обновлены.</translation>
    </message>
    <message>
        <source>%1 does not exist: check the port name (torvctl ports lists them) and the cable</source>
        <translation>%1 не существует: проверьте имя порта (их перечисляет torvctl ports) и кабель</translation>
    </message>
    <message>
        <source>no permission to use %1 (mode %2): it grants reading and writing to the group &quot;%3&quot;; add yourself with: sudo usermod -aG %3 &quot;$USER&quot; (then log in again)</source>
        <translation>нет прав на %1 (режим %2): чтение и запись разрешены группе «%3»; добавьте себя в неё: sudo usermod -aG %3 &quot;$USER&quot; (затем войдите в систему заново)</translation>
    </message>
    <message>
        <source>no permission to use %1 (mode %2): it grants reading and writing only to its owner &quot;%3&quot;; a udev rule that gives the device a group (for example GROUP=&quot;dialout&quot;, MODE=&quot;0660&quot; in /etc/udev/rules.d/) opens it to that group, or run torvctl as &quot;%3&quot;</source>
        <translation>нет прав на %1 (режим %2): чтение и запись разрешены только владельцу «%3»; правило udev, дающее устройству группу (например, GROUP=&quot;dialout&quot;, MODE=&quot;0660&quot; в /etc/udev/rules.d/), откроет его этой группе, или запустите torvctl от имени «%3»</translation>
    </message>
    <message>
        <source>none</source>
        <comment>no frequency</comment>
        <translation>нет</translation>
    </message>
    <message>
        <source>%1 MHz (not enabled)</source>
        <translation>%1 МГц (не разрешена)</translation>
    </message>
    <message>
        <source>date of manufacture</source>
        <translation>дата выпуска</translation>
    </message>
    <message>
        <source>serial number</source>
        <translation>серийный номер</translation>
    </message>
    <message>
        <source>firmware version</source>
        <translation>версия ТОРВ</translation>
    </message>
    <message>
        <source>device type</source>
        <translation>тип устройства</translation>
    </message>
    <message>
        <source>synthesizer mode</source>
        <translation>режим синтезатора</translation>
    </message>
    <message>
        <source>grid, %1 kHz grid</source>
        <translation>сетка, шаг %1 кГц</translation>
    </message>
    <message>
        <source>legacy</source>
        <comment>synthesizer mode</comment>
        <translation>старый</translation>
    </message>
    <message>
        <source>first frequency</source>
        <translation>первая частота</translation>
    </message>
    <message>
        <source>second frequency</source>
        <translation>вторая частота</translation>
    </message>
    <message>
        <source>no record</source>
        <translation>ни одна запись</translation>
    </message>
    <message>
        <source>record %1</source>
        <translation>запись %1</translation>
    </message>
    <message>
        <source>records 1 and 2</source>
        <translation>записи 1 и 2</translation>
    </message>
    <message>
        <source>(answered Cancel: no terminal to ask)</source>
        <translation>(ответ «Отмена»: нет терминала, чтобы спросить)</translation>
    </message>
    <message>
        <source>(accepted: --accept-damaged)</source>
        <translation>(принято: --accept-damaged)</translation>
    </message>
    <message>
        <source>(refused: no terminal to ask; --accept-damaged accepts the damaged block)</source>
        <translation>(отвергнуто: нет терминала, чтобы спросить; --accept-damaged принимает повреждённый блок)</translation>
    </message>
    <message>
        <source>r</source>
        <comment>the letter that answers Retry in [r]etry</comment>
        <translation>п</translation>
    </message>
    <message>
        <source>retry</source>
        <comment>the word that answers Retry</comment>
        <translation>повторить</translation>
    </message>
    <message>
        <source>c</source>
        <comment>the letter that answers Cancel in [c]ancel</comment>
        <translation>о</translation>
    </message>
    <message>
        <source>cancel</source>
        <comment>the word that answers Cancel</comment>
        <translation>отмена</translation>
    </message>
    <message>
        <source>[%1]%2 or [%3]%4? </source>
        <comment>the prompt&apos;s question: [r]etry or [c]ancel?</comment>
        <translation>[%1]%2 или [%3]%4? </translation>
    </message>
    <message>
        <source>the frequencies cannot be written as asked: nothing was written</source>
        <translation>частоты нельзя записать так, как указано: ничего не записано</translation>
    </message>
    <message>
        <source>; nearest that can be programmed: %1 MHz</source>
        <translation>; ближайшая, которую можно запрограммировать: %1 МГц</translation>
    </message>
    <message>
        <source>; nearest that can be programmed: %1 and %2 MHz</source>
        <translation>; ближайшие, которые можно запрограммировать: %1 и %2 МГц</translation>
    </message>
    <message>
        <source>; the transmitter&apos;s band: %1 to %2 MHz</source>
        <translation>; диапазон передатчика: от %1 до %2 МГц</translation>
    </message>
    <message>
        <source>give --f2 or --no-f2, not both</source>
        <translation>укажите --f2 или --no-f2, но не оба</translation>
    </message>
    <message>
        <source>the parameter block read failed its check (%1): nothing was written; --accept-damaged writes over it</source>
        <translation>считанный блок параметров не прошёл проверку (%1): ничего не записано; --accept-damaged записывает поверх него</translation>
    </message>
    <message>
        <source>the adapter has locked writing; read again before writing</source>
        <translation>адаптер заблокировал запись; перед записью считайте заново</translation>
    </message>
    <message>
        <source>%1 does not exist</source>
        <translation>%1 не существует</translation>
    </message>
    <message>
        <source>check the adapter&apos;s cable and the port name (torvctl ports lists them); if the adapter vanishes as it is plugged in, see brltty below</source>
        <translation>проверьте кабель адаптера и имя порта (их список даёт torvctl ports); если адаптер пропадает сразу после подключения, см. brltty ниже</translation>
    </message>
    <message>
        <source>%1 is not a device</source>
        <translation>%1 не является устройством</translation>
    </message>
    <message>
        <source>name a serial port (torvctl ports lists them)</source>
        <translation>укажите последовательный порт (их список даёт torvctl ports)</translation>
    </message>
    <message>
        <source>: a pseudo-terminal (an emulator, or a serial server&apos;s local end)</source>
        <translation>: псевдотерминал (эмулятор или местный конец сервера портов)</translation>
    </message>
    <message>
        <source>no device to look at</source>
        <translation>устройства нет</translation>
    </message>
    <message>
        <source>user %1 may read and write it (mode %2, group %3)</source>
        <translation>пользователю %1 разрешены чтение и запись (режим %2, группа %3)</translation>
    </message>
    <message>
        <source>user %1 was given the group %2, which may use it, but not in this session</source>
        <translation>пользователю %1 назначена группа %2, которой порт доступен, но не в этом сеансе</translation>
    </message>
    <message>
        <source>log out and in again (or start a shell with: newgrp %1)</source>
        <translation>выйдите из системы и войдите заново (или запустите оболочку командой: newgrp %1)</translation>
    </message>
    <message>
        <source>user %1 may not use it: mode %2 grants reading and writing to the group %3</source>
        <translation>пользователю %1 порт недоступен: режим %2 разрешает чтение и запись группе %3</translation>
    </message>
    <message>
        <source>sudo usermod -aG %1 &quot;$USER&quot;, then log out and in again</source>
        <translation>sudo usermod -aG %1 &quot;$USER&quot;, затем выйдите из системы и войдите заново</translation>
    </message>
    <message>
        <source>user %1 may not use it: mode %2 grants reading and writing only to its owner %3</source>
        <translation>пользователю %1 порт недоступен: режим %2 разрешает чтение и запись только владельцу %3</translation>
    </message>
    <message>
        <source>a udev rule with GROUP=&quot;dialout&quot;, MODE=&quot;0660&quot; in /etc/udev/rules.d/ opens it to that group</source>
        <translation>правило udev с GROUP=&quot;dialout&quot;, MODE=&quot;0660&quot; в /etc/udev/rules.d/ откроет его этой группе</translation>
    </message>
    <message>
        <source>%1 (pid %2)</source>
        <translation>%1 (pid %2)</translation>
    </message>
    <message>
        <source>no other program has it open (of the programs this user may look at)</source>
        <translation>другие программы его не открыли (из тех, что видны этому пользователю)</translation>
    </message>
    <message>
        <source>also open in %1, which does not lock it</source>
        <translation>открыт также в %1, без блокировки</translation>
    </message>
    <message>
        <source>held by a program this user may not look at</source>
        <translation>занят программой, которую этому пользователю не видно</translation>
    </message>
    <message>
        <source>held by %1</source>
        <translation>занят: %1</translation>
    </message>
    <message>
        <source>find it with: sudo fuser -v %1</source>
        <translation>найдите её командой: sudo fuser -v %1</translation>
    </message>
    <message>
        <source>close that program, then try again</source>
        <translation>закройте эту программу и повторите</translation>
    </message>
    <message>
        <source>ModemManager is not running</source>
        <translation>ModemManager не запущен</translation>
    </message>
    <message>
        <source>ModemManager is running and told to leave this port alone</source>
        <translation>ModemManager запущен, но этот порт ему велено не трогать</translation>
    </message>
    <message>
        <source>ModemManager is running and may probe the adapter when it is plugged in</source>
        <translation>ModemManager запущен и может опрашивать адаптер при подключении</translation>
    </message>
    <message>
        <source>put the line %1, ENV{ID_MM_DEVICE_IGNORE}=&quot;1&quot; into /etc/udev/rules.d/99-torv-adapter.rules, then: sudo udevadm control --reload &amp;&amp; sudo udevadm trigger</source>
        <translation>запишите строку %1, ENV{ID_MM_DEVICE_IGNORE}=&quot;1&quot; в /etc/udev/rules.d/99-torv-adapter.rules, затем: sudo udevadm control --reload &amp;&amp; sudo udevadm trigger</translation>
    </message>
    <message>
        <source>brltty is not installed</source>
        <translation>brltty не установлен</translation>
    </message>
    <message>
        <source>brltty is installed; its rules leave this adapter alone</source>
        <translation>brltty установлен; его правила этот адаптер не трогают</translation>
    </message>
    <message>
        <source>brltty&apos;s udev rules claim USB-serial chips (%1): brltty may take the adapter away as it is plugged in</source>
        <translation>правила udev пакета brltty захватывают микросхемы USB-COM (%1): brltty может забрать адаптер при подключении</translation>
    </message>
    <message>
        <source>without a braille display: sudo apt-get remove brltty</source>
        <translation>если брайлевского дисплея нет: sudo apt-get remove brltty</translation>
    </message>
    <message>
        <source>2400 bit/s 8E1 was refused by the port&apos;s driver (%1)</source>
        <translation>драйвер порта отклонил 2400 бит/с 8E1 (%1)</translation>
    </message>
    <message>
        <source>use an adapter that does even parity at 2400 bit/s</source>
        <translation>возьмите адаптер, который поддерживает чётность на 2400 бит/с</translation>
    </message>
    <message>
        <source>the port cannot be opened (%1)</source>
        <translation>порт не открывается (%1)</translation>
    </message>
    <message>
        <source>the serial server took 2400 bit/s 8E1</source>
        <translation>сервер портов принял 2400 бит/с 8E1</translation>
    </message>
    <message>
        <source>a pseudo-terminal takes any line settings and ignores parity</source>
        <translation>псевдотерминал принимает любые настройки линии и не проверяет чётность</translation>
    </message>
    <message>
        <source>2400 bit/s 8E1 set and read back</source>
        <translation>2400 бит/с 8E1 установлены и прочитаны обратно</translation>
    </message>
    <message>
        <source>the loopback could not be run (%1)</source>
        <translation>проверку по шлейфу выполнить не удалось (%1)</translation>
    </message>
    <message>
        <source>all 256 byte values came back unchanged at 2400 bit/s 8E1, without a line error</source>
        <translation>все 256 значений байта вернулись без изменений на 2400 бит/с 8E1, без ошибок линии</translation>
    </message>
    <message>
        <source>of 256 byte values sent, %1 came back, %2 of them changed; %3 line errors (parity, framing, overrun)</source>
        <translation>из 256 отправленных значений байта вернулось %1, из них изменено %2; ошибок линии (чётность, кадр, переполнение): %3</translation>
    </message>
    <message>
        <source>bridge TX and RX of the adapter; if they are bridged, this adapter does not do 2400 bit/s with even parity: use another</source>
        <translation>соедините TX и RX адаптера; если они соединены, этот адаптер не поддерживает 2400 бит/с с чётностью: возьмите другой</translation>
    </message>
    <message>
        <source>no adapter answered the identification (0x55)</source>
        <translation>на запрос опознания (0x55) адаптер не ответил</translation>
    </message>
    <message>
        <source>check that the adapter is powered and that this is its port</source>
        <translation>проверьте питание адаптера и что это его порт</translation>
    </message>
    <message>
        <source>the adapter answered: &quot;%1&quot;</source>
        <translation>адаптер ответил: «%1»</translation>
    </message>
    <message>
        <source>device type %1, serial number %2, firmware %3</source>
        <translation>тип устройства %1, серийный номер %2, версия ПО %3</translation>
    </message>
    <message>
        <source>adapter present, no transmitter</source>
        <translation>адаптер есть, передатчика нет</translation>
    </message>
    <message>
        <source>port %1:</source>
        <translation>порт %1:</translation>
    </message>
    <message>
        <source>fix: %1</source>
        <translation>что сделать: %1</translation>
    </message>
    <message>
        <source>no serial ports found: plug the adapter in, or name it with --port</source>
        <translation>последовательные порты не найдены: подключите адаптер или укажите его через --port</translation>
    </message>
    <message>
        <source>%1 is held by another program (one this user may not look at); close it, or find it with: sudo fuser -v %1</source>
        <translation>%1 занят другой программой (которую этому пользователю не видно); закройте её или найдите командой: sudo fuser -v %1</translation>
    </message>
    <message>
        <source>%1 is held by another program: %2; close it and try again</source>
        <translation>%1 занят другой программой: %2; закройте её и повторите</translation>
    </message>
    <message>
        <source>no permission to use %1 in this session: you were added to the group &quot;%2&quot;, which may use it, after this session began; log out and in again (or start a shell with: newgrp %2)</source>
        <translation>нет прав на %1 в этом сеансе: вас добавили в группу «%2», которой он доступен, после начала сеанса; выйдите из системы и войдите заново (или запустите оболочку командой: newgrp %2)</translation>
    </message>
    <message>
        <source>%1 cannot be set to 2400 bit/s, 8 data bits, even parity, 1 stop bit: its driver refused the line settings (%2); use an adapter that does even parity at 2400 bit/s</source>
        <translation>%1 не удаётся настроить на 2400 бит/с, 8 бит данных, чётность, 1 стоповый бит: драйвер отклонил настройки линии (%2); возьмите адаптер, который поддерживает чётность на 2400 бит/с</translation>
    </message>
    <message>
        <source> (this program&apos;s limit: raise it with ulimit -n)</source>
        <translation> (предел этой программы: увеличьте его командой ulimit -n)</translation>
    </message>
    <message>
        <source> (the system&apos;s limit)</source>
        <translation> (предел системы)</translation>
    </message>
    <message>
        <source>%1 needs one FILE, the unit&apos;s image</source>
        <translation>%1 требует одного FILE, образа передатчика</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>не удалось записать %1: %2</translation>
    </message>
    <message>
        <source>torvctl: warning: %1 failed its check and is saved as read</source>
        <translation>torvctl: предупреждение: %1 не прошёл проверку и сохранён как считан</translation>
    </message>
    <message>
        <source>saved to %1</source>
        <translation>сохранено в %1</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>не удалось прочитать %1: %2</translation>
    </message>
    <message>
        <source>not a unit image: it is larger than %1 bytes</source>
        <translation>не образ передатчика: он больше %1 байт</translation>
    </message>
    <message>
        <source>%1: %2: nothing was written</source>
        <translation>%1: %2: ничего не записано</translation>
    </message>
    <message>
        <source>the image&apos;s parameter block fails its check (%1): nothing was written; --accept-damaged writes it</source>
        <translation>блок параметров образа не проходит проверку (%1): ничего не записано; --accept-damaged записывает его</translation>
    </message>
    <message>
        <source>the image is of a unit of device type %1 (%2), the connected unit is of type %3: nothing was written</source>
        <translation>образ снят с передатчика типа %1 (%2), подключен передатчик типа %3: ничего не записано</translation>
    </message>
    <message>
        <source>torvctl: the image is of unit %1; the connected unit %2 gets its frequencies</source>
        <translation>torvctl: образ снят с передатчика %1; подключенный передатчик %2 получит его частоты</translation>
    </message>
    <message>
        <source>read</source>
        <translation>считан</translation>
    </message>
    <message>
        <source>read, damaged block accepted</source>
        <translation>считан, повреждённый блок принят</translation>
    </message>
    <message>
        <source>written and verified</source>
        <translation>записано и проверено</translation>
    </message>
    <message>
        <source>written, not verified: state unknown</source>
        <translation>записано, не проверено: состояние неизвестно</translation>
    </message>
    <message>
        <source>write in progress</source>
        <translation>идёт запись</translation>
    </message>
    <message>
        <source>write interrupted: state unknown</source>
        <translation>запись прервана: состояние неизвестно</translation>
    </message>
    <message>
        <source>refused: frequency cannot be programmed</source>
        <translation>отказано: частоту нельзя запрограммировать</translation>
    </message>
    <message>
        <source>refused: frequency out of range</source>
        <translation>отказано: частота вне диапазона</translation>
    </message>
    <message>
        <source>refused: damaged data</source>
        <translation>отказано: повреждённые данные</translation>
    </message>
    <message>
        <source>refused: writing locked by the adapter</source>
        <translation>отказано: запись заблокирована адаптером</translation>
    </message>
    <message>
        <source>refused: another unit connected</source>
        <translation>отказано: подключен другой передатчик</translation>
    </message>
    <message>
        <source>refused: image of another device type</source>
        <translation>отказано: образ другого типа устройства</translation>
    </message>
    <message>
        <source>not confirmed: nothing written</source>
        <translation>не подтверждено: ничего не записано</translation>
    </message>
    <message>
        <source>port unavailable</source>
        <translation>порт недоступен</translation>
    </message>
    <message>
        <source>no adapter found</source>
        <translation>адаптер не найден</translation>
    </message>
    <message>
        <source>device type not set</source>
        <translation>тип устройства не установлен</translation>
    </message>
    <message>
        <source>no transmitter connected</source>
        <translation>передатчик не подключен</translation>
    </message>
    <message>
        <source>not a transmitter</source>
        <translation>не передатчик</translation>
    </message>
    <message>
        <source>transmitter not responding</source>
        <translation>передатчик не отвечает</translation>
    </message>
    <message>
        <source>exchange failed</source>
        <translation>обмен не удался</translation>
    </message>
    <message>
        <source>TIME</source>
        <translation>ВРЕМЯ</translation>
    </message>
    <message>
        <source>PROGRAM</source>
        <translation>ПРОГРАММА</translation>
    </message>
    <message>
        <source>ACTION</source>
        <translation>ДЕЙСТВИЕ</translation>
    </message>
    <message>
        <source>SERIAL</source>
        <translation>НОМЕР</translation>
    </message>
    <message>
        <source>BEFORE MHZ</source>
        <translation>ДО, МГЦ</translation>
    </message>
    <message>
        <source>AFTER MHZ</source>
        <translation>ПОСЛЕ, МГЦ</translation>
    </message>
    <message>
        <source>OUTCOME</source>
        <translation>ИТОГ</translation>
    </message>
    <message>
        <source>legacy</source>
        <translation>старый</translation>
    </message>
    <message>
        <source>off</source>
        <translation>выкл.</translation>
    </message>
    <message>
        <source>unit %1, device type %2: before → after</source>
        <translation>передатчик %1, тип устройства %2: до → после</translation>
    </message>
    <message>
        <source>  synthesizer mode   %1 → %2</source>
        <translation>  режим синтезатора  %1 → %2</translation>
    </message>
    <message>
        <source>  first frequency    %1 → %2</source>
        <translation>  первая частота     %1 → %2</translation>
    </message>
    <message>
        <source>  second frequency   %1 → %2</source>
        <translation>  вторая частота     %1 → %2</translation>
    </message>
    <message>
        <source>the image is damaged: %1</source>
        <translation>образ повреждён: %1</translation>
    </message>
    <message>
        <source>other JSON</source>
        <translation>другой JSON</translation>
    </message>
    <message>
        <source>not a unit image: it is not a JSON object (%1)</source>
        <translation>не образ передатчика: это не объект JSON (%1)</translation>
    </message>
    <message>
        <source>not a unit image: it has no &quot;format&quot; number</source>
        <translation>не образ передатчика: в нём нет номера &quot;format&quot;</translation>
    </message>
    <message>
        <source>the image was saved by a newer version of the programmer (format %1; this version reads format %2)</source>
        <translation>образ сохранён более новой версией программатора (формат %1; эта версия читает формат %2)</translation>
    </message>
    <message>
        <source>its parameter block is not 32 bytes of hex digits</source>
        <translation>его блок параметров — не 32 байта шестнадцатеричными цифрами</translation>
    </message>
    <message>
        <source>the SHA-256 of its parameter block does not match</source>
        <translation>SHA-256 его блока параметров не совпадает</translation>
    </message>
    <message>
        <source>its info block is not 8 bytes of hex digits</source>
        <translation>его информационный блок — не 8 байт шестнадцатеричными цифрами</translation>
    </message>
    <message>
        <source>Write this to the unit? [y/N] </source>
        <translation>Записать это в передатчик? [д/Н] </translation>
    </message>
    <message>
        <source>y</source>
        <translation>д</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>да</translation>
    </message>
    <message>
        <source>not confirmed: nothing was written</source>
        <translation>не подтверждено: ничего не записано</translation>
    </message>
    <message>
        <source>dry run: this could be written; nothing was written</source>
        <translation>пробный прогон: это можно записать; ничего не записано</translation>
    </message>
    <message>
        <source>--journal-mode takes wal or delete, not &quot;%1&quot;</source>
        <translation>--journal-mode принимает wal или delete, а не «%1»</translation>
    </message>
    <message>
        <source>give one of --sync, --status and --server</source>
        <translation>укажите одно из --sync, --status и --server</translation>
    </message>
    <message>
        <source>no server is configured: set $TORV_JOURNAL_SERVER or the setting journal/server to libpq key=value pairs, such as service=torv</source>
        <translation>сервер не настроен: задайте $TORV_JOURNAL_SERVER или настройку journal/server парами libpq ключ=значение, например service=torv</translation>
    </message>
    <message>
        <source>not sent in time</source>
        <translation>не отправлены вовремя</translation>
    </message>
    <message>
        <source>they are sent by the next run, or by torvctl journal --sync</source>
        <translation>их отправит следующий запуск или torvctl journal --sync</translation>
    </message>
    <message>
        <source>server: %1</source>
        <translation>сервер: %1</translation>
    </message>
    <message>
        <source>none configured</source>
        <translation>не настроен</translation>
    </message>
    <message>
        <source>rows waiting: %1 (writes in progress: %2)</source>
        <translation>ждут отправки строк: %1 (идущих записей: %2)</translation>
    </message>
    <message>
        <source>last attempt: %1</source>
        <translation>последняя попытка: %1</translation>
    </message>
    <message>
        <source>none</source>
        <translation>не было</translation>
    </message>
    <message>
        <source>%1, sent</source>
        <translation>%1, отправлено</translation>
    </message>
    <message>
        <source>%1, failed: %2</source>
        <translation>%1, не удалась: %2</translation>
    </message>
    <message>
        <source>rows waiting for the server %1: %2 (%3)</source>
        <translation>строк ждут сервера %1: %2 (%3)</translation>
    </message>
    <message>
        <source>--ports %1 matches no port now</source>
        <translation>под --ports %1 сейчас не подходит ни один порт</translation>
    </message>
    <message>
        <source>--ports %1: %2</source>
        <translation>--ports %1: %2</translation>
    </message>
    <message>
        <source>port %1 is given twice</source>
        <translation>порт %1 указан дважды</translation>
    </message>
    <message>
        <source>give --json or --json-lines, not both</source>
        <translation>укажите --json или --json-lines, но не оба</translation>
    </message>
    <message>
        <source>--idle-timeout goes with --wait-for-unit or several ports</source>
        <translation>--idle-timeout действует с --wait-for-unit или с несколькими портами</translation>
    </message>
    <message>
        <source>the write was held back before it began: nothing was written</source>
        <translation>запись задержана до её начала: ничего не записано</translation>
    </message>
    <message>
        <source>--idle-timeout needs a whole number of seconds, 1 or more</source>
        <translation>--idle-timeout требует целого числа секунд, не меньше 1</translation>
    </message>
    <message>
        <source>--trace goes with one port that is not polled for its units</source>
        <translation>--trace действует только с одним портом, который не опрашивается в ожидании передатчиков</translation>
    </message>
    <message>
        <source>it runs until stopped (q and Enter, or Ctrl+C)</source>
        <translation>работа идёт до остановки (з и Enter или Ctrl+C)</translation>
    </message>
    <message>
        <source>the adapter answers again</source>
        <translation>адаптер снова отвечает</translation>
    </message>
    <message>
        <source>the adapter does not answer (%1): polling goes on</source>
        <translation>адаптер не отвечает (%1): опрос продолжается</translation>
    </message>
    <message>
        <source>the station has stopped: %1</source>
        <translation>место остановлено: %1</translation>
    </message>
    <message>
        <source>stopping: the writes in progress are finished first (a second signal abandons them, leaving those units&apos; state unknown)</source>
        <translation>остановка: начатые записи сначала завершаются (второй сигнал прерывает их, и состояние этих передатчиков остаётся неизвестным)</translation>
    </message>
    <message>
        <source>no new unit came for %1 s: the batch ends</source>
        <translation>новых передатчиков не было %1 с: партия завершена</translation>
    </message>
    <message>
        <source>no new unit came for %1 s: the batch ends; not programmed in this batch: %2</source>
        <translation>новых передатчиков не было %1 с: партия завершена; не запрограммированы в этой партии: %2</translation>
    </message>
    <message>
        <source>no station is left to run</source>
        <translation>не осталось работающих мест</translation>
    </message>
    <message>
        <source>in all: %1</source>
        <translation>всего: %1</translation>
    </message>
    <message>
        <source>usage: torvctl COMMAND [OPTIONS]

commands:
  ports [--json]                    list the serial ports of this computer
  read (--port NAME|PATH | --demo) [--accept-damaged] [--json] [--trace]
                                    read the transmitter&apos;s identity and frequencies
  write (--port NAME|PATH | --demo) --f1 MHZ [--f2 MHZ | --no-f2] [--step 12.5|25]
        [--enable-grid-edit] [--yes] [--dry-run] [--accept-damaged] [--json] [--trace]
                                    read, then write new frequencies and verify them
  calc --legacy MHZ [--json]        divisors R, N, A of a frequency in legacy mode
  calc --grid --type 13|14|15 [--step 12.5|25] [--second] [--json] MHZ
                                    N, F and the sealed channel record in grid mode
  decode [--type 13|14|15] [--json] HEX
                                    decode one 8-byte channel record
  restore (--port NAME|PATH | --demo) --serial S [--before TIME] [--yes] [--dry-run]
          [--accept-damaged] [--json] [--trace]
                                    write back what the unit held before its last verified
                                    write (made before TIME)
  batch (--port NAME|PATH... | --ports GLOB | --demo) (--plan FILE | --f1 MHZ
        [--f2 MHZ | --no-f2] [--step 12.5|25] | --order CODE) [--units N]
        [--wait-for-unit] [--idle-timeout SECONDS] [--enable-grid-edit]
        [--accept-damaged] [--json | --json-lines]
                                    program one unit after another: read, look the
                                    serial number up in the plan, write, verify; on
                                    several ports, at each of them at once; --order
                                    with a server: the order&apos;s plan from the server,
                                    each unit claimed there before it is written
  save (--port NAME|PATH | --demo) [--accept-damaged] [--json] [--trace] FILE
                                    read the unit and save its image to FILE
  load (--port NAME|PATH | --demo) [--yes] [--dry-run] [--accept-damaged] [--json]
       [--trace] FILE               write the frequencies of an image into a unit of
                                    the same device type (another serial: a clone)
  journal [--serial S] [--since DATE] [--until DATE] [--outcome success|failed]
          [--with-demo] [--server] [--json | --csv]
                                    the reads and writes recorded, newest first;
                                    --server: those on the workshop&apos;s server
  journal --sync | --status [--json]
                                    send the rows that wait for the workshop&apos;s server
                                    and wait for them; or show the server, the rows
                                    waiting and the last error
  plan import FILE --order CODE [--server CONN] [--enable-grid-edit] [--json]
                                    load the plan of an order (a batch&apos;s CSV file) into
                                    the workshop&apos;s server
  doctor [--port NAME|PATH] [--loopback] [--json]
                                    check a port (or every port) and its adapter: the
                                    device, permissions, who holds it, ModemManager,
                                    brltty, the line, the adapter and the transmitter;
                                    --loopback sends all 256 byte values through TX
                                    bridged to RX instead of asking the adapter

  --demo            use a built-in emulated adapter with a transmitter instead of a port
  --json            the result as one JSON object on standard output, also on failure
                    (everything in English then, as the JSON values are)
  --trace           log every byte on the line, with time stamps, to standard error
  --accept-damaged  take a parameter block that fails its check, as the window&apos;s
                    Cancel does (a write then seals its records anew)
  --yes             write without asking on the terminal (write, restore, load)
  --dry-run         read, check and show what would be written; write nothing
  --with-demo       list the runs on the built-in emulated adapter too (journal)
  --no-journal      do not record the read or write in the journal
                    ($TORV_JOURNAL, else ~/.local/share/torv-programmer/journal.sqlite)
  --operator NAME   who works at the bench, in the journal&apos;s rows (else journal/operator)
  --order CODE      the order or lot the units belong to, in the journal&apos;s rows
  --server CONN     the workshop&apos;s PostgreSQL server the rows are copied to: libpq
                    key=value pairs or service=NAME (else $TORV_JOURNAL_SERVER, else
                    journal/server); a run waits at most 2 s for its rows to go
  --journal-mode wal|delete
                    SQLite&apos;s journal mode; delete for a journal on a network file
                    system, where wal is refused
  DATE, TIME        YYYY-MM-DD, YYYY-MM-DDTHH:MM[:SS] with Z, +HH:MM or nothing (local
                    time), or DD.MM.YYYY [HH:MM[:SS]]; a date covers its whole day
  --help, --version this text, the program&apos;s version
  write, restore and load show the unit&apos;s settings before and after, and on a terminal
  ask before writing.
  Prompts are asked when standard input is a terminal; otherwise the damaged-data
  prompt refuses the block and every other prompt is answered Cancel. Results go to
  standard output, messages and prompts to standard error.
  Language: Russian where LC_ALL, else LC_MESSAGES, else LANG names ru; else English.

exit codes:
  0  done and verified: a read whose blocks passed their checks, or a damaged
     block taken by --accept-damaged or by the operator; a write whose read-back
     equalled the block sent
  1  refused before anything was sent: cannot be programmed, out of band,
     damaged data not accepted, writing locked
  2  bad command line
  3  the exchange failed before any block was sent: no adapter, no transmitter,
     time-out, refusals
  4  port unavailable: missing, in use, no permission, line settings refused
  5  a block was sent to the transmitter but not verified: the unit&apos;s state is unknown
     (also a write abandoned by a second signal, or one whose unit was swapped before
     it was to be written again)
  6  the journal cannot be used: missing, unreadable, corrupt, not a journal, of a
     newer version (journal, restore)
  7  the workshop&apos;s server cannot be reached or refused rows (journal --sync,
     journal --server, plan import)

While a block is on the line or being verified, SIGINT, SIGTERM and SIGHUP let the
write and its verification finish; a second signal abandons it (exit 5).
</source>
        <translation>использование: torvctl КОМАНДА [ПАРАМЕТРЫ]

команды:
  ports [--json]                    список последовательных портов этого компьютера
  read (--port NAME|PATH | --demo) [--accept-damaged] [--json] [--trace]
                                    считать паспорт передатчика и его частоты
  write (--port NAME|PATH | --demo) --f1 MHZ [--f2 MHZ | --no-f2] [--step 12.5|25]
        [--enable-grid-edit] [--yes] [--dry-run] [--accept-damaged] [--json] [--trace]
                                    считать, затем записать новые частоты и проверить их
  calc --legacy MHZ [--json]        делители R, N, A частоты в старом режиме синтезатора
  calc --grid --type 13|14|15 [--step 12.5|25] [--second] [--json] MHZ
                                    N, F и запечатанная запись канала в режиме сетки
  decode [--type 13|14|15] [--json] HEX
                                    разобрать одну 8-байтовую запись канала
  restore (--port NAME|PATH | --demo) --serial S [--before TIME] [--yes] [--dry-run]
          [--accept-damaged] [--json] [--trace]
                                    записать обратно то, что было в передатчике до его
                                    последней проверенной записи (сделанной до TIME)
  batch (--port NAME|PATH... | --ports GLOB | --demo) (--plan FILE | --f1 MHZ
        [--f2 MHZ | --no-f2] [--step 12.5|25] | --order CODE) [--units N]
        [--wait-for-unit] [--idle-timeout SECONDS] [--enable-grid-edit]
        [--accept-damaged] [--json | --json-lines]
                                    программировать передатчики один за другим: считать,
                                    найти серийный номер в плане, записать, проверить;
                                    на нескольких портах — на каждом одновременно;
                                    --order с сервером: план заказа с сервера, каждый
                                    передатчик перед записью заявляется там
  save (--port NAME|PATH | --demo) [--accept-damaged] [--json] [--trace] FILE
                                    считать передатчик и сохранить его образ в FILE
  load (--port NAME|PATH | --demo) [--yes] [--dry-run] [--accept-damaged] [--json]
       [--trace] FILE               записать частоты образа в передатчик того же типа
                                    устройства (другой серийный номер: клон)
  journal [--serial S] [--since DATE] [--until DATE] [--outcome success|failed]
          [--with-demo] [--server] [--json | --csv]
                                    записанные в журнал чтения и записи, новые первыми;
                                    --server: те, что на сервере мастерской
  journal --sync | --status [--json]
                                    отправить строки, ждущие сервера мастерской, и
                                    дождаться их; или показать сервер, число ждущих
                                    строк и последнюю ошибку
  plan import FILE --order CODE [--server CONN] [--enable-grid-edit] [--json]
                                    загрузить план заказа (CSV-файл серии) на сервер
                                    мастерской
  doctor [--port NAME|PATH] [--loopback] [--json]
                                    проверить порт (или все порты) и его адаптер:
                                    устройство, права, кто занял порт, ModemManager,
                                    brltty, линию, адаптер и передатчик; --loopback
                                    вместо опроса адаптера посылает все 256 значений
                                    байта через соединённые TX и RX

  --demo            встроенный эмулятор адаптера с передатчиком вместо порта
  --json            результат одним объектом JSON на стандартный вывод, и при неудаче
                    (тогда всё на английском, как и значения JSON)
  --trace           каждый байт на линии, с отметками времени, на стандартный поток ошибок
  --accept-damaged  принять блок параметров, не прошедший проверку, как это делает
                    «Отмена» в окне (запись тогда запечатывает его записи заново)
  --yes             записывать, не спрашивая на терминале (write, restore, load)
  --dry-run         считать, проверить и показать, что было бы записано; ничего не писать
  --with-demo       показывать и работу со встроенным эмулятором адаптера (journal)
  --no-journal      не заносить чтение или запись в журнал
                    ($TORV_JOURNAL, иначе ~/.local/share/torv-programmer/journal.sqlite)
  --operator NAME   кто работает на стенде, в строках журнала (иначе journal/operator)
  --order CODE      заказ или партия передатчиков, в строках журнала
  --server CONN     сервер PostgreSQL мастерской, куда копируются строки: пары libpq
                    ключ=значение или service=ИМЯ (иначе $TORV_JOURNAL_SERVER, иначе
                    journal/server); запуск ждёт отправки своих строк не более 2 с
  --journal-mode wal|delete
                    режим журнала SQLite; delete для журнала на сетевой файловой
                    системе, где wal не допускается
  DATE, TIME        ГГГГ-ММ-ДД, ГГГГ-ММ-ДДTЧЧ:ММ[:СС] с Z, +ЧЧ:ММ или без них (местное
                    время) или ДД.ММ.ГГГГ [ЧЧ:ММ[:СС]]; дата охватывает весь свой день
  --help, --version этот текст, версия программы
  write, restore и load показывают настройки передатчика до и после и на терминале
  спрашивают перед записью.
  Вопросы задаются, когда стандартный ввод — терминал; иначе вопрос о повреждённых
  данных отвергает блок, а на любой другой вопрос отвечается «Отмена». Результаты идут
  на стандартный вывод, сообщения и вопросы — на стандартный поток ошибок.
  Язык: русский, когда LC_ALL, иначе LC_MESSAGES, иначе LANG называет ru; иначе английский.

коды завершения:
  0  выполнено и проверено: чтение, блоки которого прошли проверку, или повреждённый
     блок, принятый по --accept-damaged или оператором; запись, контрольное чтение
     которой совпало с отправленным блоком
  1  отказ до отправки чего-либо: частоту нельзя запрограммировать, вне диапазона,
     повреждённые данные не приняты, запись заблокирована
  2  неверная командная строка
  3  обмен не удался до отправки блока: нет адаптера, нет передатчика,
     истекло время ожидания, отказы
  4  порт недоступен: отсутствует, занят, нет прав, настройки линии отклонены
  5  блок отправлен в передатчик, но не проверен: состояние передатчика неизвестно
     (также запись, прерванная вторым сигналом, или та, передатчик которой сменили,
     прежде чем её повторить)
  6  журнал нельзя использовать: отсутствует, не читается, повреждён, не журнал,
     более новой версии (journal, restore)
  7  сервер мастерской недоступен или отверг строки (journal --sync,
     journal --server, plan import)

Пока блок на линии или проверяется, SIGINT, SIGTERM и SIGHUP дают записи и её проверке
завершиться; второй сигнал прерывает её (код 5).
</translation>
    </message>
    <message>
        <source>plan takes: import FILE --order CODE</source>
        <translation>plan принимает: import FILE --order CODE</translation>
    </message>
    <message>
        <source>plan import needs --order CODE: the order the plan is for</source>
        <translation>plan import требует --order CODE: заказ, к которому относится план</translation>
    </message>
    <message>
        <source>plan import needs a server: --server, $TORV_JOURNAL_SERVER or the setting journal/server</source>
        <translation>plan import требует сервера: --server, $TORV_JOURNAL_SERVER или настройка journal/server</translation>
    </message>
    <message>
        <source>waiting</source>
        <translation>ожидание</translation>
    </message>
    <message>
        <source>reading</source>
        <translation>чтение</translation>
    </message>
    <message>
        <source>writing</source>
        <translation>запись</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>остановлено</translation>
    </message>
    <message>
        <source>programmed</source>
        <translation>запрограммирован</translation>
    </message>
    <message>
        <source>skipped</source>
        <translation>пропущен</translation>
    </message>
    <message>
        <source>%1 %2  last: %3  units: %4</source>
        <translation>%1 %2  последний: %3  передатчиков: %4</translation>
    </message>
    <message>
        <source>stations (%1): %2; %3</source>
        <translation>места (%1): %2; %3</translation>
    </message>
    <message>
        <source>stopping: the units in progress are finished first</source>
        <translation>остановка: начатые передатчики сначала завершаются</translation>
    </message>
    <message>
        <source>verifying</source>
        <translation>проверка</translation>
    </message>
    <message>
        <source>when the plan is complete</source>
        <translation>когда план выполнен</translation>
    </message>
    <message>
        <source>after %1 units in all</source>
        <translation>после %1 передатчиков всего</translation>
    </message>
    <message>
        <source>after %1 s without a new unit</source>
        <translation>через %1 с без нового передатчика</translation>
    </message>
    <message>
        <source>it ends %1, or when stopped (q and Enter, or Ctrl+C)</source>
        <translation>работа завершится %1 или по остановке (з и Enter или Ctrl+C)</translation>
    </message>
    <message>
        <source>order %1: %2 units planned on the server %3, %4 of them new or changed</source>
        <translation>заказ %1: на сервере %3 запланировано передатчиков: %2, из них новых или изменённых: %4</translation>
    </message>
    <message>
        <source>rows sent to the server %1: %2; none waits</source>
        <translation>строк отправлено на сервер %1: %2; ждущих нет</translation>
    </message>
    <message>
        <source>already programmed, or being programmed, at this bench for order %1: not written again</source>
        <translation>уже запрограммирован или программируется на этом стенде для заказа %1: повторно не записан</translation>
    </message>
    <message>
        <source>already programmed, or being programmed, at bench %1 for order %2: not written again</source>
        <translation>уже запрограммирован или программируется на стенде %1 для заказа %2: повторно не записан</translation>
    </message>
    <message>
        <source>the unit&apos;s claim could not be kept in the journal (%1): nothing was written</source>
        <translation>заявку на передатчик не удалось сохранить в журнале (%1): ничего не записано</translation>
    </message>
    <message>
        <source>--no-journal cannot go with --order on a workshop server: the journal keeps the claims made while the server is away</source>
        <translation>--no-journal нельзя сочетать с --order при сервере мастерской: журнал хранит заявки, сделанные, пока сервер недоступен</translation>
    </message>
    <message>
        <source>read from the server %1</source>
        <translation>прочитан с сервера %1</translation>
    </message>
    <message>
        <source>warning: the plan was not kept in the journal: %1</source>
        <translation>предупреждение: план не сохранён в журнале: %1</translation>
    </message>
    <message>
        <source>the plan of order %1 cannot be read (%2), and none is kept here</source>
        <translation>план заказа %1 не удаётся прочитать (%2), и здесь он не сохранён</translation>
    </message>
    <message>
        <source>as last read here: the server is away (%1)</source>
        <translation>как был прочитан здесь в последний раз: сервер недоступен (%1)</translation>
    </message>
    <message>
        <source>the server %1 has no plan of order %2</source>
        <translation>на сервере %1 нет плана заказа %2</translation>
    </message>
    <message>
        <source>the plan of order %1: %2 units, %3</source>
        <translation>план заказа %1: передатчиков: %2, %3</translation>
    </message>
    <message>
        <source>of order %1</source>
        <translation>заказа %1</translation>
    </message>
    <message>
        <source>claims waiting: %1; conflicts: %2</source>
        <translation>заявок ждут отправки: %1; конфликтов: %2</translation>
    </message>
    <message>
        <source>conflict: unit %1 of order %2 was programmed here and claimed at bench %3 too</source>
        <translation>конфликт: передатчик %1 заказа %2 запрограммирован здесь, а заявлен также на стенде %3</translation>
    </message>
</context>
<context>
    <name>JournalText</name>
    <message>
        <source>Qt&apos;s SQLite driver (QSQLITE) is not installed</source>
        <translation>драйвер SQLite для Qt (QSQLITE) не установлен</translation>
    </message>
    <message>
        <source>the journal %1 cannot be used</source>
        <translation>журнал %1 нельзя использовать</translation>
    </message>
    <message>
        <source>cannot write to the journal %1</source>
        <translation>не удаётся записать в журнал %1</translation>
    </message>
    <message>
        <source>it was written by a newer version of the programmer (schema %1, this version knows %2)</source>
        <translation>он записан более новой версией программатора (схема %1, эта версия знает %2)</translation>
    </message>
    <message>
        <source>cannot bring the schema of the journal %1 up to date</source>
        <translation>не удаётся обновить схему журнала %1</translation>
    </message>
    <message>
        <source>its schema version is missing</source>
        <translation>в нём нет версии схемы</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not an ISO 8601 time</source>
        <translation>«%1» — не время в формате ISO 8601</translation>
    </message>
    <message>
        <source>cannot set the mode of the folder %1: %2</source>
        <translation>не удаётся задать права папки %1: %2</translation>
    </message>
    <message>
        <source>cannot create the folder %1: %2</source>
        <translation>не удаётся создать папку %1: %2</translation>
    </message>
    <message>
        <source>the folder %1 cannot be used: %2</source>
        <translation>папку %1 нельзя использовать: %2</translation>
    </message>
    <message>
        <source>%1 is not a folder</source>
        <translation>%1 — не папка</translation>
    </message>
    <message>
        <source>the folder %1 belongs to another user (uid %2)</source>
        <translation>папка %1 принадлежит другому пользователю (uid %2)</translation>
    </message>
    <message>
        <source>the folder %1 may be changed by other users (mode %2): keep the journal in a folder of your own</source>
        <translation>папку %1 могут изменять другие пользователи (режим %2): храните журнал в своей папке</translation>
    </message>
    <message>
        <source>it cannot be read as a journal: %1</source>
        <translation>его нельзя прочитать как журнал: %1</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>это не обычный файл</translation>
    </message>
    <message>
        <source>it belongs to another user (uid %1)</source>
        <translation>он принадлежит другому пользователю (uid %1)</translation>
    </message>
    <message>
        <source>it is not an SQLite database, so not a journal: left as it is</source>
        <translation>это не база данных SQLite и, значит, не журнал: оставлен как есть</translation>
    </message>
    <message>
        <source>it is a database of another program (tables %1): left as it is</source>
        <translation>это база данных другой программы (таблицы %1): оставлена как есть</translation>
    </message>
    <message>
        <source>the journal %1 cannot be used: %2</source>
        <translation>журнал %1 нельзя использовать: %2</translation>
    </message>
    <message>
        <source>no journal: neither HOME nor XDG_DATA_HOME is set to an absolute path (TORV_JOURNAL names the file)</source>
        <translation>журнала нет: ни HOME, ни XDG_DATA_HOME не заданы абсолютным путём (файл задаёт TORV_JOURNAL)</translation>
    </message>
    <message>
        <source>YYYY-MM-DD, YYYY-MM-DDTHH:MM[:SS] with Z or +HH:MM or none for local time, or DD.MM.YYYY [HH:MM[:SS]]</source>
        <translation>ГГГГ-ММ-ДД, ГГГГ-ММ-ДДTЧЧ:ММ[:СС] с Z или +ЧЧ:ММ или без них для местного времени, или ДД.ММ.ГГГГ [ЧЧ:ММ[:СС]]</translation>
    </message>
    <message>
        <source>it does not exist (nothing has been recorded there)</source>
        <translation>его нет (туда ещё ничего не записывалось)</translation>
    </message>
    <message>
        <source>it is a symbolic link; name the file itself</source>
        <translation>это символическая ссылка; укажите сам файл</translation>
    </message>
    <message>
        <source>it keeps appearing and vanishing</source>
        <translation>он то появляется, то исчезает</translation>
    </message>
    <message>
        <source>it is on a network file system (%1), where SQLite&apos;s write-ahead log corrupts databases: keep the journal on this PC and share its rows through the workshop&apos;s server (--server, $TORV_JOURNAL_SERVER or the setting journal/server), or choose --journal-mode delete</source>
        <translation>он на сетевой файловой системе (%1), где журнал упреждающей записи SQLite портит базы данных: держите журнал на этом компьютере и делитесь его строками через сервер мастерской (--server, $TORV_JOURNAL_SERVER или настройка journal/server) или выберите --journal-mode delete</translation>
    </message>
    <message>
        <source>give the server as libpq key=value pairs (host=NAME dbname=torv user=NAME) or service=NAME, not as a URI</source>
        <translation>укажите сервер парами libpq ключ=значение (host=ИМЯ dbname=torv user=ИМЯ) или service=ИМЯ, а не URI</translation>
    </message>
    <message>
        <source>Qt&apos;s PostgreSQL driver (QPSQL) is not installed (Debian package libqt6sql6-psql)</source>
        <translation>драйвер PostgreSQL для Qt (QPSQL) не установлен (пакет Debian libqt6sql6-psql)</translation>
    </message>
    <message>
        <source>cannot reach the server %1: %2</source>
        <translation>нет связи с сервером %1: %2</translation>
    </message>
    <message>
        <source>the server %1 did not take row %2: %3</source>
        <translation>сервер %1 не принял строку %2: %3</translation>
    </message>
    <message>
        <source>cannot read the rows of the server %1: %2</source>
        <translation>не удалось прочитать строки сервера %1: %2</translation>
    </message>
    <message>
        <source>the server %1 did not take the plan of order %2: %3</source>
        <translation>сервер %1 не принял план заказа %2: %3</translation>
    </message>
    <message>
        <source>the journal keeps no claims</source>
        <translation>журнал не хранит заявок</translation>
    </message>
    <message>
        <source>the journal keeps no plans</source>
        <translation>журнал не хранит планов</translation>
    </message>
    <message>
        <source>cannot read the plan of order %1 on the server %2: %3</source>
        <translation>не удаётся прочитать план заказа %1 на сервере %2: %3</translation>
    </message>
    <message>
        <source>the server %1 did not answer the claim on unit %2 of order %3: %4</source>
        <translation>сервер %1 не ответил на заявку на передатчик %2 заказа %3: %4</translation>
    </message>
    <message>
        <source>the server %1 did not take the end of claim %2: %3</source>
        <translation>сервер %1 не принял завершение заявки %2: %3</translation>
    </message>
</context>
</TS>
