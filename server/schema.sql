-- The workshop's record on PostgreSQL, version 1 of its schema: the journal rows of every
-- bench, the plans of the orders, and the claims through which each serial of an order is
-- programmed once. server/apply-migrations applies it in one transaction and records it
-- in schema_version; later changes are the numbered files in server/migrations/.

-- Group roles, made only where missing (roles belong to the whole cluster). Each bench PC
-- logs in as a role of its own, a member of torv_bench, so that the server knows which
-- bench sent a row or made a claim and lets only that bench finish its claim.
DO $$
DECLARE
    role text;
BEGIN
    FOREACH role IN ARRAY ARRAY['torv_reader', 'torv_bench', 'torv_planner'] LOOP
        IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = role) THEN
            EXECUTE format('CREATE ROLE %I NOLOGIN', role);
        END IF;
    END LOOP;
END
$$;
-- Benches list the server's rows and see the claims; planners check what they import.
GRANT torv_reader TO torv_bench, torv_planner;

-- The login that sent a row, whatever the row says.
CREATE FUNCTION stamp_sender() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    NEW.sent_by := session_user;
    RETURN NEW;
END
$$;

-- The journal rows as each bench's journal holds them, with where they came from.
CREATE TABLE operations (
    id uuid PRIMARY KEY,  -- made with the row on its bench: a row sent twice is stored once
    time_utc timestamptz NOT NULL,
    program text NOT NULL,
    operation text NOT NULL,
    port text,
    adapter text,
    outcome text NOT NULL,
    success boolean NOT NULL,
    exit_code integer,
    device_type integer,
    date text,
    serial text,
    version text,
    info_hex text,
    block_read_hex text,
    block_written_hex text,
    read_back_hex text,
    f1_before_mhz double precision,
    f2_before_mhz double precision,
    f1_after_mhz double precision,
    f2_after_mhz double precision,
    -- Only rows that have ended are sent: a write's row once it is complete.
    state text NOT NULL DEFAULT 'done' CHECK (state IN ('done', 'interrupted')),
    writer_pid bigint,
    writer_boot_id text,
    writer_start bigint,
    bench text NOT NULL CHECK (bench <> ''),  -- the PC: its host name or a configured name
    station text,                             -- a batch's station: its port
    operator text NOT NULL DEFAULT '',
    order_code text NOT NULL DEFAULT '',      -- the order or lot, --order
    program_version text NOT NULL,
    duration_ms integer CHECK (duration_ms >= 0),
    run_id text NOT NULL DEFAULT '',          -- the production run of a station window
    -- Rows of demo runs stay on their PC: one that arrives all the same is refused.
    demo boolean NOT NULL DEFAULT false CHECK (NOT demo),
    sent_by name NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now()
);
CREATE INDEX operations_by_serial ON operations (serial, time_utc);
CREATE INDEX operations_by_time ON operations (time_utc);
CREATE INDEX operations_by_order ON operations (order_code, serial) WHERE order_code <> '';
CREATE TRIGGER operations_sender BEFORE INSERT ON operations FOR EACH ROW EXECUTE FUNCTION stamp_sender();

-- The frequencies of each unit of an order, as a plan file gives them.
CREATE TABLE plans (
    order_code text NOT NULL CHECK (order_code <> ''),
    serial text NOT NULL CHECK (serial <> ''),
    f1_mhz double precision NOT NULL,
    f2_mhz double precision,                           -- none: the unit gets one frequency
    step_khz numeric CHECK (step_khz IN (12.5, 25)),   -- none: the unit keeps its grid step
    imported_at timestamptz NOT NULL DEFAULT now(),
    sent_by name NOT NULL,
    PRIMARY KEY (order_code, serial)
);
CREATE TRIGGER plans_sender BEFORE INSERT ON plans FOR EACH ROW EXECUTE FUNCTION stamp_sender();

-- A bench claims a unit before writing it: INSERT ... ON CONFLICT DO NOTHING RETURNING id
-- returns nothing when another claim holds the unit. The claim ends done, or failed when
-- the write failed, which frees the unit for a new claim.
CREATE TABLE claims (
    id uuid PRIMARY KEY,  -- made by the bench: a claim sent again is known as its own
    order_code text NOT NULL CHECK (order_code <> ''),
    serial text NOT NULL CHECK (serial <> ''),
    bench text NOT NULL CHECK (bench <> ''),
    state text NOT NULL DEFAULT 'claimed' CHECK (state IN ('claimed', 'done', 'failed')),
    claimed_at timestamptz NOT NULL DEFAULT now(),
    finished_at timestamptz CHECK ((finished_at IS NULL) = (state = 'claimed')),
    sent_by name NOT NULL
);
CREATE UNIQUE INDEX claims_one_per_unit ON claims (order_code, serial) WHERE state <> 'failed';
CREATE TRIGGER claims_sender BEFORE INSERT ON claims FOR EACH ROW EXECUTE FUNCTION stamp_sender();

-- Units of an order that more than one bench programmed (a claim made while the server
-- was away, sent when it came back): reported here, never resolved.
CREATE VIEW conflicts AS
SELECT order_code, serial, count(*) AS writes, string_agg(DISTINCT bench, ', ' ORDER BY bench) AS benches,
       min(time_utc) AS first_write, max(time_utc) AS last_write
FROM operations
WHERE order_code <> '' AND operation = 'batch' AND success
GROUP BY order_code, serial
HAVING count(DISTINCT bench) > 1;

GRANT SELECT ON schema_version, operations, plans, claims, conflicts TO torv_reader;
GRANT INSERT ON operations, claims TO torv_bench;
GRANT UPDATE (state, finished_at) ON claims TO torv_bench;
GRANT INSERT, UPDATE, DELETE ON plans TO torv_planner;

-- Every claim is visible; a bench may finish only a claim of its own login, once.
ALTER TABLE claims ENABLE ROW LEVEL SECURITY;
CREATE POLICY claims_seen ON claims FOR SELECT USING (true);
CREATE POLICY claims_made ON claims FOR INSERT TO torv_bench WITH CHECK (true);
CREATE POLICY claims_finished ON claims FOR UPDATE TO torv_bench
    USING (sent_by = session_user AND state = 'claimed') WITH CHECK (state IN ('done', 'failed'));
